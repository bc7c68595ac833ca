// The About box: product name and icon from the settings file, the fixed texts around them.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "config/utf.h"
#include "layout/control_ids.h"
#include "ui/dialogs_fixture.h"
#include "ui/headless/headless_toolkit.h"
#include "ui/logic/about_dlg.h"

namespace {

using ::PrintTo;  // names table rows in test names

constexpr int kTemplate = dialog_template::kAbout;

class AboutBoxTest : public DialogTest {
protected:
    const HeadlessDialog& Open() {
        CAboutDlg about(toolkit_);
        about.DoModal();
        const HeadlessDialog* dialog = toolkit_.LastDialog(kTemplate);
        EXPECT_NE(dialog, nullptr);
        return *dialog;
    }

    HeadlessToolkit toolkit_;
};

TEST_F(AboutBoxTest, NamesTheProductAndShowsItsIcon) {
    WriteIconFile("meter.ico");
    WriteSettings("ZEL Software", "meter.ico");
    const std::string before = [&] {
        std::ifstream in(folder_ / "default.xcfg", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    const HeadlessDialog& about = Open();
    EXPECT_EQ(about.GetTitle(), u"Acerca de ZEL Software");
    EXPECT_EQ(about.GetText(ctl::kAboutProductLine), u"ZEL Software, versión 1.1");
    EXPECT_FALSE(about.GetText(ctl::kAboutNotice).empty());
    EXPECT_EQ(about.ControlIcon(ctl::kAboutIcon).file, "meter.ico");
    std::ifstream in(folder_ / "default.xcfg", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before)
        << "the About box never writes the settings";
}

TEST_F(AboutBoxTest, WithoutSettingsShowsTheBareTextsAndTheProgramIcon) {
    const HeadlessDialog& about = Open();
    EXPECT_EQ(about.GetTitle(), u"Acerca de ");
    EXPECT_EQ(about.GetText(ctl::kAboutProductLine), u", versión 1.1");
    EXPECT_EQ(about.ControlIcon(ctl::kAboutIcon).resource, icon::kApplication);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "default.xcfg"));
}

// Whatever "icono" names, the box shows an icon; the program's own when the file is unusable.
struct IconCase {
    const char* name;
    std::string setting;
    std::string fileContent;  // empty: no file is written
};

class AboutIconTest : public AboutBoxTest, public ::testing::WithParamInterface<IconCase> {};

TEST_P(AboutIconTest, FallsBackToTheProgramIcon) {
    const IconCase& c = GetParam();
    if (!c.fileContent.empty()) {
        std::ofstream(folder_ / c.setting, std::ios::binary) << c.fileContent;
    }
    WriteSettings("ZEL Software", c.setting);
    const HeadlessDialog& about = Open();
    EXPECT_EQ(about.ControlIcon(ctl::kAboutIcon).resource, icon::kApplication);
    EXPECT_EQ(about.GetTitle(), u"Acerca de ZEL Software");
}

INSTANTIATE_TEST_SUITE_P(Icons, AboutIconTest,
                         ::testing::Values(IconCase{"missing_file", "Tarvolin.ico", ""},
                                           IconCase{"not_an_image", "notes.ico", "plain text"},
                                           IconCase{"empty_setting", "", ""}),
                         RowName());

// Names too long for the 255 units a text may hold are cut, never a surrogate pair halved.
struct LengthCase {
    const char* name;
    std::u16string productName;
    std::u16string title;
    std::u16string productLine;
};

class AboutLengthTest : public AboutBoxTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(AboutLengthTest, KeepsEachTextWithin255Units) {
    const LengthCase& c = GetParam();
    WriteSettings(WideToUtf8(c.productName), "");
    const HeadlessDialog& about = Open();
    EXPECT_EQ(about.GetTitle(), c.title);
    EXPECT_EQ(about.GetText(ctl::kAboutProductLine), c.productLine);
}

const std::u16string kA242(242, u'A');
const std::u16string kA245(245, u'A');

INSTANTIATE_TEST_SUITE_P(
    Lengths, AboutLengthTest,
    ::testing::Values(LengthCase{"fits_exactly", kA242, u"Acerca de " + kA242,
                                 kA242 + u", versión 1.1"},
                      LengthCase{"one_too_many", kA242 + u"B", u"Acerca de " + kA242 + u"B",
                                 kA242 + u", versión 1.1"},
                      LengthCase{"far_too_long", std::u16string(1000, u'A'), u"Acerca de " + kA245,
                                 kA242 + u", versión 1.1"},
                      // U+1F600 is one surrogate pair: two UTF-16 units.
                      LengthCase{"pair_at_the_cut", std::u16string(241, u'A') + u"😀😀",
                                 u"Acerca de " + std::u16string(241, u'A') + u"😀😀",
                                 std::u16string(241, u'A') + u", versión 1.1"}),
    RowName());

}  // namespace
