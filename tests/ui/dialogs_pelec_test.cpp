// The electrical parameters dialog driven as a user would, against a recording Modbus TCP peer
// and against zel-sim.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "comm/connection_gmbtcp.h"
#include "layout/control_ids.h"
#include "protocol/device_registers.h"
#include "ui/dialogs_fixture.h"
#include "ui/headless/headless_toolkit.h"
#include "ui/logic/pelec_dlg.h"

namespace {

using ::PrintTo;  // names table rows in test names

namespace reg = device_registers;
constexpr int kTemplate = dialog_template::kElectrical;
constexpr std::uint32_t kOneLineModel = 67367;

// Every value control of the dialog but the L1 ratio field.
const std::vector<int> kThreeLineControls = {
    ctl::kDlgRatioL2,        ctl::kDlgRatioL3,     ctl::kDlgMeasureL1,
    ctl::kDlgMeasureL2,      ctl::kDlgMeasureL3,   ctl::kDlgMeasureTotal,
    ctl::kDlgThresholdL1,    ctl::kDlgThresholdL2, ctl::kDlgThresholdL3,
    ctl::kDlgThresholdTotal, ctl::kDlgDelayL1,     ctl::kDlgDelayL2,
    ctl::kDlgDelayL3,        ctl::kDlgDelayTotal,  ctl::kDlgWorkingMode,
    ctl::kColumnL1,          ctl::kColumnTotal,    ctl::kDlgMeasureLabel,
    ctl::kDlgThresholdLabel, ctl::kDlgDelayLabel,  ctl::kDlgWorkingModeLabel,
    ctl::kWorkingModeNote};

class ElectricalDialogTest : public DeviceDialogTest {
protected:
    void Load(const AnalyserImage& image) {
        image_ = image;
        LoadAnalyser(peer_, image_);
    }

    DialogResult Run(HeadlessToolkit::Script script, XCConnection* channel) {
        toolkit_.OnNextModal(kTemplate, std::move(script));
        ZELPELECDlg dialog(toolkit_, image_.station, channel);
        const DialogResult result = dialog.DoModal();
        return result;
    }
    DialogResult Run(HeadlessToolkit::Script script) { return Run(script, channel_.get()); }

    AnalyserImage image_;  // what the peer holds: the defaults until Load
};

TEST_F(ElectricalDialogTest, ThreeLineModelShowsWhatTheDeviceHolds) {
    Run([](HeadlessDialog&) {});
    const HeadlessDialog* d = toolkit_.LastDialog(kTemplate);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetTitle(), LoadText(21));
    EXPECT_EQ(d->GetText(ctl::kOk), LoadText(22));
    EXPECT_EQ(d->GetText(ctl::kCancel), LoadText(23));
    EXPECT_EQ(d->ButtonIcon(ctl::kOk).resource, icon::kOk);
    EXPECT_EQ(d->ButtonIcon(ctl::kCancel).resource, icon::kCancel);
    EXPECT_EQ(d->WindowIcon().resource, icon::kApplication);
    EXPECT_EQ(d->GetText(ctl::kColumnL1), u"L1");
    EXPECT_EQ(d->GetText(ctl::kColumnTotal), u"III");
    EXPECT_EQ(d->GetText(ctl::kDlgWorkingModeLabel), LoadText(12));
    EXPECT_EQ(d->GetText(ctl::kWorkingModeNote), LoadText(58));
    EXPECT_EQ(d->GetText(ctl::kDlgRatioLabel), LoadText(27));
    EXPECT_EQ(d->GetText(ctl::kDlgMeasureLabel), LoadText(28));
    EXPECT_EQ(d->GetText(ctl::kDlgThresholdLabel), LoadText(29));
    EXPECT_EQ(d->GetText(ctl::kDlgDelayLabel), LoadText(30));

    EXPECT_EQ(d->ItemCount(ctl::kDlgMeasureL1), 17);
    EXPECT_EQ(d->ItemCount(ctl::kDlgMeasureL3), 17);
    EXPECT_EQ(d->ItemCount(ctl::kDlgMeasureTotal), 13);
    // The total's code 1 is the line's code 3: the lists do not share their numbering.
    EXPECT_EQ(d->ItemText(ctl::kDlgMeasureL1, 0), LoadText(31));
    EXPECT_EQ(d->ItemText(ctl::kDlgMeasureL1, 16), LoadText(56));
    EXPECT_EQ(d->ItemText(ctl::kDlgMeasureTotal, 0), LoadText(33));
    EXPECT_EQ(d->ItemCount(ctl::kDlgWorkingMode), 4);
    EXPECT_FALSE(d->IsVisible(ctl::kDlgRatioTotal));
    EXPECT_FALSE(d->IsEnabled(ctl::kDlgRatioTotal));

    EXPECT_EQ(d->GetText(ctl::kDlgRatioL1), u"100");
    EXPECT_EQ(d->GetText(ctl::kDlgRatioL3), u"300");
    EXPECT_EQ(d->Selection(ctl::kDlgWorkingMode), 1);
    EXPECT_EQ(d->Selection(ctl::kDlgMeasureL3), 1);
    // Thresholds in tenths show their decimal; the total and other measures are whole.
    EXPECT_EQ(d->GetText(ctl::kDlgThresholdL1), u"12.3");
    EXPECT_EQ(d->GetText(ctl::kDlgThresholdL2), u"230.5");
    EXPECT_EQ(d->GetText(ctl::kDlgThresholdL3), u"400");
    EXPECT_EQ(d->GetText(ctl::kDlgThresholdTotal), u"15");
    EXPECT_EQ(d->GetText(ctl::kDlgDelayTotal), u"40");
    EXPECT_EQ(d->GetText(ctl::kStatusText), u"");
}

TEST_F(ElectricalDialogTest, TakesItsIconFromTheSettings) {
    WriteIconFile("meter.ico");
    WriteSettings("ZEL Software", "meter.ico");
    Run([](HeadlessDialog& d) { EXPECT_EQ(d.WindowIcon().file, "meter.ico"); });
    EXPECT_EQ(toolkit_.ModalRuns(), std::vector<int>{kTemplate});
}

TEST_F(ElectricalDialogTest, UntouchedValuesCloseWithOkAndWriteNothing) {
    AnalyserImage image;
    image.threshold = {0xFFFFFFFF, 5, 0, 0xFFFFFFFF};  // the extremes survive the round trip
    image.ratio = {65535, 0, 1};
    Load(image);
    EXPECT_EQ(Run([](HeadlessDialog& d) {
                  EXPECT_EQ(d.GetText(ctl::kDlgThresholdL1), u"429496729.5");
                  EXPECT_EQ(d.GetText(ctl::kDlgThresholdL2), u"0.5");
                  EXPECT_EQ(d.GetText(ctl::kDlgThresholdTotal), u"4294967295");
                  d.Click(ctl::kOk);
              }),
              DialogResult::Ok);
    EXPECT_TRUE(toolkit_.Messages().empty());
    EXPECT_TRUE(peer_.Writes().empty());
}

TEST_F(ElectricalDialogTest, OneLineModelShowsAndWritesOnlyTheL1Ratio) {
    AnalyserImage image;
    image.model = kOneLineModel;
    Load(image);
    const DialogResult result = Run([](HeadlessDialog& d) {
        EXPECT_TRUE(d.IsVisible(ctl::kDlgRatioL1));
        EXPECT_TRUE(d.IsVisible(ctl::kDlgRatioLabel));
        EXPECT_FALSE(d.IsVisible(ctl::kDlgRatioTotal));
        for (const int id : kThreeLineControls) {
            EXPECT_FALSE(d.IsVisible(id)) << id;
        }
        EXPECT_EQ(d.GetText(ctl::kDlgRatioL1), u"100");
        d.UserType(ctl::kDlgRatioL1, u"250");
        d.Click(ctl::kOk);
    });
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(19)});
    const auto writes = peer_.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].address, reg::kRatio[0]);
    EXPECT_EQ(writes[0].values, std::vector<std::uint16_t>{250});
}

TEST_F(ElectricalDialogTest, OneLineModelUnchangedRatioWritesNothing) {
    AnalyserImage image;
    image.model = kOneLineModel;
    Load(image);
    EXPECT_EQ(Run([](HeadlessDialog& d) { d.Click(ctl::kOk); }), DialogResult::Ok);
    EXPECT_TRUE(toolkit_.Messages().empty());
    EXPECT_TRUE(peer_.Writes().empty());
}

// One entry changed by the user, and the threshold register value the device must get.
struct ThresholdCase {
    const char* name;
    int column;   // 0 to 3: L1, L2, L3, III
    int measure;  // list index chosen before typing; -1 keeps the device's
    std::u16string typed;
    std::uint32_t written;
};

class ElectricalThresholdTest : public ElectricalDialogTest,
                                public ::testing::WithParamInterface<ThresholdCase> {};

constexpr int kThresholdFields[] = {ctl::kDlgThresholdL1, ctl::kDlgThresholdL2,
                                    ctl::kDlgThresholdL3, ctl::kDlgThresholdTotal};
constexpr int kMeasureLists[] = {ctl::kDlgMeasureL1, ctl::kDlgMeasureL2, ctl::kDlgMeasureL3,
                                 ctl::kDlgMeasureTotal};

TEST_P(ElectricalThresholdTest, WritesWhatTheUserTyped) {
    const ThresholdCase& c = GetParam();
    bool typed = true;
    const DialogResult result = Run([&](HeadlessDialog& d) {
        if (c.measure >= 0) {
            d.UserSelect(kMeasureLists[c.column], c.measure);
        }
        typed = d.UserType(kThresholdFields[c.column], c.typed);
        d.Click(ctl::kOk);
    });
    ASSERT_TRUE(typed) << "field " << kThresholdFields[c.column] << " refused " << c.name;
    ASSERT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(19)});
    const std::uint16_t base = reg::kThresholdBase[c.column];
    EXPECT_EQ(peer_.Register32(base + reg::kThresholdHighOffset), c.written);
    // Everything the user left alone goes back as it was read.
    for (int i = 0; i < 4; ++i) {
        const std::uint16_t other = reg::kThresholdBase[i];
        if (i != c.column) {
            EXPECT_EQ(peer_.Register32(other + reg::kThresholdHighOffset), image_.threshold[i]);
        }
        EXPECT_EQ(peer_.Register(other + reg::kDelayOffset), image_.delay[i]);
    }
    EXPECT_EQ(peer_.Register(reg::kWorkingMode), image_.workingMode);
    EXPECT_EQ(peer_.Writes().size(), 12u);
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, ElectricalThresholdTest,
    ::testing::Values(ThresholdCase{"l2_tenths_whole", 1, -1, u"15", 150},
                      ThresholdCase{"l2_other_measure", 1, 4, u"15", 15},
                      ThresholdCase{"l3_chosen_tenths", 2, 0, u"15", 150},
                      ThresholdCase{"total_code_1_never_scaled", 3, 0, u"16", 16},
                      ThresholdCase{"l1_zero", 0, -1, u"0", 0},
                      ThresholdCase{"total_32_bit_limit", 3, -1, u"4294967295", 0xFFFFFFFF},
                      ThresholdCase{"l1_one_decimal", 0, -1, u"12.4", 124},
                      ThresholdCase{"l1_decimal_comma", 0, -1, u"12,4", 124},
                      ThresholdCase{"l1_tenths_limit", 0, -1, u"429496729.5", 0xFFFFFFFF}),
    RowName());

// An entry the dialog must refuse, and the text it refuses it with.
struct RefusedCase {
    const char* name;
    int field;
    std::u16string text;
    unsigned message;
};

class ElectricalRefusedTest : public ElectricalDialogTest,
                              public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(ElectricalRefusedTest, RefusesWithTheFieldsMessageAndFocus) {
    const RefusedCase& c = GetParam();
    int focus = 0;
    bool ended = true;
    Run([&](HeadlessDialog& d) {
        // Text a filter let through (a paste) reaches the logic as the program's own write.
        if (!d.UserType(c.field, c.text)) {
            d.SetText(c.field, c.text);
        }
        d.SetFocus(ctl::kOk);
        d.Click(ctl::kOk);
        focus = d.Focus();
        ended = d.HasEnded();
    });
    EXPECT_FALSE(ended);
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(c.message)});
    EXPECT_EQ(focus, c.field);
    EXPECT_EQ(peer_.Requests().size(), 9u) << "only the opening read reaches the device";
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ElectricalRefusedTest,
    ::testing::Values(
        RefusedCase{"ratio_empty", ctl::kDlgRatioL2, u"", 36},
        RefusedCase{"ratio_above_16_bits", ctl::kDlgRatioL1, u"65536", 36},
        RefusedCase{"ratio_beyond_32_bits", ctl::kDlgRatioL3, u"4294967396", 36},
        RefusedCase{"ratio_blank", ctl::kDlgRatioL1, u"1 0", 36},
        RefusedCase{"threshold_empty", ctl::kDlgThresholdL3, u"", 37},
        RefusedCase{"threshold_above_32_bits", ctl::kDlgThresholdTotal, u"4294967296", 37},
        RefusedCase{"threshold_tenths_above_32_bits", ctl::kDlgThresholdL1, u"429496729.6", 37},
        RefusedCase{"threshold_two_decimals", ctl::kDlgThresholdL1, u"12.34", 37},
        RefusedCase{"threshold_bare_point", ctl::kDlgThresholdL2, u"12.", 37},
        RefusedCase{"threshold_decimal_on_whole_measure", ctl::kDlgThresholdL3, u"1.5", 37},
        RefusedCase{"threshold_decimal_on_total", ctl::kDlgThresholdTotal, u"1.5", 37},
        RefusedCase{"threshold_newline", ctl::kDlgThresholdL3, u"40\n", 37},
        RefusedCase{"threshold_negative", ctl::kDlgThresholdL3, u"-1", 37},
        RefusedCase{"delay_empty", ctl::kDlgDelayL1, u"", 38},
        RefusedCase{"delay_above_16_bits", ctl::kDlgDelayTotal, u"65536", 38},
        RefusedCase{"delay_letters", ctl::kDlgDelayL2, u"2O", 38}),
    RowName());

TEST_F(ElectricalDialogTest, ChecksColumnByColumnRatioThresholdDelay) {
    std::vector<int> focus;
    Run([&](HeadlessDialog& d) {
        d.UserType(ctl::kDlgRatioL2, u"");
        d.UserType(ctl::kDlgDelayL1, u"");
        d.UserType(ctl::kDlgThresholdL1, u"");
        d.Click(ctl::kOk);
        focus.push_back(d.Focus());
        d.UserType(ctl::kDlgThresholdL1, u"5");
        d.Click(ctl::kOk);
        focus.push_back(d.Focus());
        d.UserType(ctl::kDlgDelayL1, u"5");
        d.Click(ctl::kOk);
        focus.push_back(d.Focus());
        EXPECT_FALSE(d.HasEnded());
    });
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::u16string>{LoadText(37), LoadText(38), LoadText(36)}));
    EXPECT_EQ(focus, (std::vector<int>{ctl::kDlgThresholdL1, ctl::kDlgDelayL1, ctl::kDlgRatioL2}));
    EXPECT_TRUE(peer_.Writes().empty());
}

// How the user leaves the dialog with changed entries without confirming them.
struct CloseCase {
    const char* name;
    bool (*close)(HeadlessDialog&);
};

class ElectricalCloseTest : public ElectricalDialogTest,
                            public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ElectricalCloseTest, WritesNothing) {
    const auto close = GetParam().close;
    const DialogResult result = Run([&](HeadlessDialog& d) {
        d.UserType(ctl::kDlgRatioL1, u"999");
        d.UserSelect(ctl::kDlgWorkingMode, 3);
        EXPECT_TRUE(close(d));
        EXPECT_TRUE(d.HasEnded());
    });
    EXPECT_EQ(result, DialogResult::Cancel);
    EXPECT_TRUE(toolkit_.Messages().empty());
    EXPECT_TRUE(peer_.Writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Closers, ElectricalCloseTest,
    ::testing::Values(CloseCase{"cancel_button",
                                [](HeadlessDialog& d) { return d.Click(ctl::kCancel); }},
                      CloseCase{"escape", [](HeadlessDialog& d) { return d.PressEscape(); }},
                      CloseCase{"close_box", [](HeadlessDialog& d) { return d.CloseBox(); }}),
    RowName());

TEST_F(ElectricalDialogTest, AnsweringCancelKeepsTheDialogOpen) {
    toolkit_.QueueMessageAnswer(DialogResult::Cancel);
    Run([](HeadlessDialog& d) {
        d.UserType(ctl::kDlgRatioL1, u"999");
        d.Click(ctl::kOk);
        EXPECT_FALSE(d.HasEnded());
        EXPECT_EQ(d.GetText(ctl::kDlgRatioL1), u"999");
    });
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(19)});
    EXPECT_TRUE(peer_.Writes().empty());
}

TEST_F(ElectricalDialogTest, FailedWriteKeepsTheDialogOpen) {
    peer_.FailWrites(true);
    const DialogResult result = Run([&](HeadlessDialog& d) {
        d.UserType(ctl::kDlgRatioL1, u"999");
        d.Click(ctl::kOk);
        EXPECT_FALSE(d.HasEnded());
    });
    EXPECT_EQ(result, DialogResult::Cancel);
    EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{LoadText(19), LoadText(4)}));
    ASSERT_EQ(peer_.Writes().size(), 1u);  // the first request failed, so no other followed
    EXPECT_EQ(peer_.Writes()[0].address, reg::kWorkingMode);
}

TEST_F(ElectricalDialogTest, ChannelThatCannotOpenGivesText3) {
    // A closed port on this host: connecting is refused at once.
    XCConnectionGMBTCP refused("127.0.0.1", 1);
    Run(
        [&](HeadlessDialog& d) {
            for (const int list : kMeasureLists) {
                d.UserSelect(list, 1);
            }
            d.UserSelect(ctl::kDlgWorkingMode, 0);
            for (const int id :
                 {ctl::kDlgRatioL1, ctl::kDlgRatioL2, ctl::kDlgRatioL3, ctl::kDlgThresholdL1,
                  ctl::kDlgThresholdL2, ctl::kDlgThresholdL3, ctl::kDlgThresholdTotal,
                  ctl::kDlgDelayL1, ctl::kDlgDelayL2, ctl::kDlgDelayL3, ctl::kDlgDelayTotal}) {
                d.UserType(id, u"1");
            }
            d.Click(ctl::kOk);
            EXPECT_FALSE(d.HasEnded());
        },
        &refused);
    EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{LoadText(19), LoadText(3)}));
}

// After a failed read nothing is shown: every entry is the user's, so OK always asks.
TEST_F(ElectricalDialogTest, AfterAFailedReadEveryEntryCountsAsNew) {
    peer_.SetRegister(reg::kStationNumber, 9);  // the device answers elsewhere
    const DialogResult result = Run([](HeadlessDialog& d) {
        EXPECT_EQ(d.GetText(ctl::kDlgRatioL1), u"");
        EXPECT_EQ(d.Selection(ctl::kDlgMeasureL1), -1);
        EXPECT_EQ(d.Selection(ctl::kDlgWorkingMode), -1);
        EXPECT_TRUE(d.IsVisible(ctl::kDlgThresholdTotal));
        d.Click(ctl::kOk);  // measures not chosen
        for (const int list : kMeasureLists) {
            d.UserSelect(list, 1);
        }
        for (const int id :
             {ctl::kDlgRatioL1, ctl::kDlgRatioL2, ctl::kDlgRatioL3, ctl::kDlgThresholdL1,
              ctl::kDlgThresholdL2, ctl::kDlgThresholdL3, ctl::kDlgThresholdTotal, ctl::kDlgDelayL1,
              ctl::kDlgDelayL2, ctl::kDlgDelayL3, ctl::kDlgDelayTotal}) {
            d.UserType(id, u"0");
        }
        d.Click(ctl::kOk);  // working mode not chosen and none read
        d.UserSelect(ctl::kDlgWorkingMode, 2);
        d.Click(ctl::kOk);
    });
    EXPECT_EQ(result, DialogResult::Cancel);  // the write went to station 7, which is silent
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::u16string>{LoadText(35), LoadText(62), LoadText(19), LoadText(4)}));
    const HeadlessDialog* d = toolkit_.LastDialog(kTemplate);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->HasControl(ctl::kStatusText));
    EXPECT_EQ(d->GetText(ctl::kStatusText), LoadText(4));
}

// The identification came through, the ratio did not: the model decides what is shown, and a
// ratio of 0 typed by the user is still a value to write, not the blank the record holds.
TEST_F(ElectricalDialogTest, OneLineModelWithoutItsRatioAsksBeforeWritingZero) {
    AnalyserImage image;
    image.model = kOneLineModel;
    Load(image);
    peer_.FailReadsOf(reg::kRatio[0]);
    const DialogResult result = Run([](HeadlessDialog& d) {
        EXPECT_EQ(d.GetText(ctl::kDlgRatioL1), u"");
        for (const int id : kThreeLineControls) {
            EXPECT_FALSE(d.IsVisible(id)) << id;
        }
        d.UserType(ctl::kDlgRatioL1, u"0");
        d.Click(ctl::kOk);
    });
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(19)});
    const auto writes = peer_.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].address, reg::kRatio[0]);
    EXPECT_EQ(writes[0].values, std::vector<std::uint16_t>{0});
}

TEST_F(ElectricalDialogTest, UnknownWorkingModeIsWrittenBackAsReported) {
    AnalyserImage image;
    image.workingMode = 7;
    Load(image);
    const DialogResult result = Run([](HeadlessDialog& d) {
        EXPECT_EQ(d.Selection(ctl::kDlgWorkingMode), -1);
        d.UserType(ctl::kDlgDelayL3, u"31");
        d.Click(ctl::kOk);
    });
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(peer_.Register(reg::kWorkingMode), 7);
    EXPECT_EQ(peer_.Register(reg::kThresholdBase[2] + reg::kDelayOffset), 31);
}

TEST_F(ElectricalDialogTest, NoChannelShowsText3AndKeepsEveryControl) {
    Run([](HeadlessDialog& d) { EXPECT_TRUE(d.IsVisible(ctl::kDlgMeasureTotal)); }, nullptr);
    const HeadlessDialog* d = toolkit_.LastDialog(kTemplate);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->HasControl(ctl::kStatusText));
    EXPECT_EQ(d->GetText(ctl::kStatusText), LoadText(3));
}

TEST_F(ElectricalDialogTest, WritesZelSimAndTheDeviceKeepsTheValues) {
    const std::string state = (folder_ / "device.state").string();
    std::ofstream(state) << "station 7\nmeasure 1 1 2 1\nthreshold 2305 123 400 15\n";
    SimProcess sim({"--model", "three", "--state", state});
    ASSERT_NE(sim.Port(), 0);
    XCConnectionGMBTCP channel("127.0.0.1", sim.Port());
    const DialogResult result = Run(
        [](HeadlessDialog& d) {
            EXPECT_EQ(d.GetText(ctl::kDlgThresholdL1), u"230.5");
            EXPECT_EQ(d.GetText(ctl::kDlgThresholdL2), u"12.3");
            d.UserType(ctl::kDlgThresholdL2, u"15");
            d.Click(ctl::kOk);
        },
        &channel);
    EXPECT_EQ(result, DialogResult::Ok);
    std::stringstream saved;
    saved << std::ifstream(state).rdbuf();
    EXPECT_NE(saved.str().find("threshold 2305 150 400 15\n"), std::string::npos) << saved.str();
}

}  // namespace
