// The texts the device display makes of a DeviceInfo.
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "layout/control_ids.h"
#include "ui/logic/main_window_display.h"

namespace {

struct FieldCase {
    const char* name;
    std::function<void(DeviceInfo&)> device;
    int field;
    // The expected text, or 0 with a string-table number.
    std::u16string text;
    unsigned tableText = 0;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const FieldCase& row) {
        return out << row.name;
    }
};

class DeviceDisplayFieldTest : public ::testing::TestWithParam<FieldCase> {
protected:
    static void SetUpTestSuite() {
        const char* programDir = std::getenv("ZEL_PROGRAM_DIR");
        ASSERT_NE(programDir, nullptr);
        ASSERT_TRUE(StringTable().Open(std::string(programDir) + "/ZELSoftware.en.stc"));
    }
};

std::u16string FieldText(const std::vector<DisplayField>& fields, int id) {
    for (const DisplayField& field : fields) {
        if (field.id == id) {
            return field.text;
        }
    }
    return u"<absent>";
}

TEST_P(DeviceDisplayFieldTest, ShowsTheValueInItsFormat) {
    DeviceInfo info;
    GetParam().device(info);
    const std::u16string expected =
        GetParam().tableText != 0 ? LoadText(GetParam().tableText) : GetParam().text;
    ASSERT_FALSE(expected.empty() && GetParam().tableText != 0);
    EXPECT_EQ(FieldText(DeviceDisplayFields(info), GetParam().field), expected);
}

void Measure(DeviceInfo& info, int line, int code, int threshold) {
    info.measure[line] = code;
    info.threshold[line] = threshold;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DeviceDisplayFieldTest,
    ::testing::Values(
        FieldCase{"OneLineModel", [](DeviceInfo& i) { i.model = 67367; }, ctl::kModel, u"ZEL One"},
        FieldCase{"NextModelCode", [](DeviceInfo& i) { i.model = 67368; }, ctl::kModel,
                  u"ZEL Three"},
        FieldCase{"FractionalModelCode", [](DeviceInfo& i) { i.model = 67367.5; }, ctl::kModel,
                  u"ZEL Three"},
        FieldCase{"StationNumber", [](DeviceInfo& i) { i.stationNumber = 247; },
                  ctl::kDeviceStationNumber, u"247"},
        FieldCase{"PortConfig", [](DeviceInfo& i) { i.portConfig = 5; }, ctl::kDevicePortConfig,
                  u"19200, 8, N, 1"},
        FieldCase{"PortConfigBeyondList", [](DeviceInfo& i) { i.portConfig = 6; },
                  ctl::kDevicePortConfig, u""},
        FieldCase{"NegativePortConfig", [](DeviceInfo& i) { i.portConfig = -1; },
                  ctl::kDevicePortConfig, u""},
        FieldCase{"WorkingMode", [](DeviceInfo& i) { i.workingMode = 3; }, ctl::kWorkingMode,
                  u"L1(x3), L2(x3), L3(x3)"},
        FieldCase{"WorkingModeBeyondList", [](DeviceInfo& i) { i.workingMode = 4; },
                  ctl::kWorkingMode, u""},
        FieldCase{"Ratio", [](DeviceInfo& i) { i.ratio[2] = 65535; }, ctl::kRatioL3, u"65535"},
        FieldCase{"TotalHasNoRatio", [](DeviceInfo&) {}, ctl::kRatioTotal, u"<absent>"},
        FieldCase{"TenthsOnL1", [](DeviceInfo& i) { Measure(i, 0, 1, 1234); }, ctl::kThresholdL1,
                  u"123.4"},
        FieldCase{"TenthsOnL3", [](DeviceInfo& i) { Measure(i, 2, 1, 7); }, ctl::kThresholdL3,
                  u"0.7"},
        FieldCase{"NegativeTenths", [](DeviceInfo& i) { Measure(i, 1, 1, -15); }, ctl::kThresholdL2,
                  u"-1.5"},
        FieldCase{"WholeUnitsUnderOtherCode", [](DeviceInfo& i) { Measure(i, 1, 2, 1234); },
                  ctl::kThresholdL2, u"1234"},
        FieldCase{"TotalNeverInTenths", [](DeviceInfo& i) { Measure(i, 3, 1, 1234); },
                  ctl::kThresholdTotal, u"1234"},
        FieldCase{"LargeThreshold", [](DeviceInfo& i) { Measure(i, 0, 2, 70000); },
                  ctl::kThresholdL1, u"70000"},
        FieldCase{"Delay", [](DeviceInfo& i) { i.delay[3] = 600; }, ctl::kDelayTotal, u"600"},
        FieldCase{"LineMeasureFirst", [](DeviceInfo& i) { i.measure[0] = 1; }, ctl::kMeasureL1, u"",
                  31},
        FieldCase{"LineMeasureLast", [](DeviceInfo& i) { i.measure[1] = 17; }, ctl::kMeasureL2, u"",
                  56},
        FieldCase{"LineMeasureBeyondList", [](DeviceInfo& i) { i.measure[2] = 18; },
                  ctl::kMeasureL3, u"", 57},
        FieldCase{"LineMeasureZero", [](DeviceInfo& i) { i.measure[0] = 0; }, ctl::kMeasureL1, u"",
                  57},
        FieldCase{"TotalMeasureFirst", [](DeviceInfo& i) { i.measure[3] = 1; }, ctl::kMeasureTotal,
                  u"", 33},
        FieldCase{"TotalMeasureBeyondList", [](DeviceInfo& i) { i.measure[3] = 14; },
                  ctl::kMeasureTotal, u"", 57}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DeviceDisplayTest, EmptyDisplayCoversEveryFilledFieldWithADash) {
    DeviceInfo info;
    const std::vector<DisplayField> filled = DeviceDisplayFields(info);
    const std::vector<DisplayField> empty = EmptyDisplayFields();
    for (const DisplayField& field : filled) {
        EXPECT_EQ(FieldText(empty, field.id), u"-") << "control " << field.id;
    }
    EXPECT_EQ(FieldText(empty, ctl::kRatioTotal), u"");
    EXPECT_EQ(empty.size(), filled.size() + 1);
}

}  // namespace
