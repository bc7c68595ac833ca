// Control ids of the four windows. The layouts, the window logic and the Qt dialogs all address
// a control by these numbers, so they never change once given.
#pragma once

#include <array>

namespace ctl {

// Buttons every dialog shares.
constexpr int kOk = 1;
constexpr int kCancel = 2;

// System-menu command that opens the About box (a command, not a control).
constexpr int kAboutCommand = 16;

// ---- About box (template 100) ----
constexpr int kAboutProductLine = 1001;  // product name and version
constexpr int kAboutNotice = 1002;       // the program's fixed notice line
constexpr int kAboutIcon = 1003;         // window icon

// ---- Main window (template 102) ----
constexpr int kStatusText = 1004;  // right-aligned status line

// Connection parameters.
constexpr int kConnectionGroup = 1100;  // group box; also the main window's layout guard
constexpr int kConnectionType = 1101;   // drop-down list
constexpr int kComPort = 1102;          // drop-down list
constexpr int kComPortLabel = 1103;
constexpr int kPortConfig = 1104;  // drop-down list
constexpr int kPortConfigLabel = 1105;
constexpr int kStationNumber = 1106;  // digits-only field
constexpr int kStationNumberLabel = 1107;
constexpr int kAddress = 1108;  // text field
constexpr int kAddressLabel = 1109;
constexpr int kSocket = 1110;  // digits-only field
constexpr int kSocketLabel = 1111;
constexpr int kUpdateButton = 1112;

// Identification.
constexpr int kInfoGroup = 1201;
constexpr int kHardwareVersionLabel = 1202;
constexpr int kHardwareVersion = 1203;
constexpr int kSoftwareVersionLabel = 1204;
constexpr int kSoftwareVersion = 1205;
constexpr int kModelLabel = 1206;
constexpr int kModel = 1207;
constexpr int kStatusIcon = 1214;  // connected / not connected icon

// The device's RS-485 settings.
constexpr int kRs485Group = 1301;
constexpr int kRs485Button = 1302;  // opens the RS-485 parameters dialog
constexpr int kDevicePortConfigLabel = 1303;
constexpr int kDevicePortConfig = 1304;
constexpr int kDeviceStationNumberLabel = 1305;
constexpr int kDeviceStationNumber = 1306;

// Electrical parameters.
constexpr int kElectricalGroup = 1401;
constexpr int kWorkingMode = 1402;
constexpr int kWorkingModeLabel = 1403;
constexpr int kWorkingModeNote = 1404;   // remark beside the working mode; also in template 104
constexpr int kElectricalButton = 1405;  // opens the electrical parameters dialog
// Column heads L1, L2, L3 and the three-phase total; also in template 104.
constexpr int kColumnL1 = 1407;
constexpr int kColumnL2 = 1408;
constexpr int kColumnL3 = 1409;
constexpr int kColumnTotal = 1410;
// Each row label is followed by its four values: L1, L2, L3, total.
constexpr int kRatioLabel = 1411;
constexpr int kRatioL1 = 1412;
constexpr int kRatioL2 = 1413;
constexpr int kRatioL3 = 1414;
constexpr int kRatioTotal = 1415;
constexpr int kMeasureLabel = 1416;
constexpr int kMeasureL1 = 1417;
constexpr int kMeasureL2 = 1418;
constexpr int kMeasureL3 = 1419;
constexpr int kMeasureTotal = 1420;
constexpr int kThresholdLabel = 1421;
constexpr int kThresholdL1 = 1422;
constexpr int kThresholdL2 = 1423;
constexpr int kThresholdL3 = 1424;
constexpr int kThresholdTotal = 1425;
constexpr int kDelayLabel = 1426;
constexpr int kDelayL1 = 1427;
constexpr int kDelayL2 = 1428;
constexpr int kDelayL3 = 1429;
constexpr int kDelayTotal = 1430;

constexpr std::array<int, 4> kColumnHeads = {kColumnL1, kColumnL2, kColumnL3, kColumnTotal};
constexpr std::array<int, 4> kValueRowLabels = {kRatioLabel, kMeasureLabel, kThresholdLabel,
                                                kDelayLabel};

// ---- RS-485 parameters dialog (template 103) ----
constexpr int kDlgPortConfig = 1501;  // drop-down list; also the dialog's layout guard
constexpr int kDlgPortConfigLabel = 1502;
constexpr int kDlgStationNumber = 1503;  // digits-only field
constexpr int kDlgStationNumberLabel = 1504;

// ---- Electrical parameters dialog (template 104) ----
constexpr int kDlgWorkingMode = 1601;  // drop-down list
constexpr int kDlgWorkingModeLabel = 1602;
// Each row label is followed by its values: L1, L2, L3, total.
constexpr int kDlgRatioLabel = 1603;  // also the dialog's layout guard
constexpr int kDlgRatioL1 = 1604;
constexpr int kDlgRatioL2 = 1605;
constexpr int kDlgRatioL3 = 1606;
constexpr int kDlgRatioTotal = 1607;  // never read; hidden once the device was read
constexpr int kDlgMeasureLabel = 1608;
constexpr int kDlgMeasureL1 = 1609;  // drop-down lists 1609 to 1612
constexpr int kDlgMeasureL2 = 1610;
constexpr int kDlgMeasureL3 = 1611;
constexpr int kDlgMeasureTotal = 1612;
constexpr int kDlgThresholdLabel = 1613;
constexpr int kDlgThresholdL1 = 1614;
constexpr int kDlgThresholdL2 = 1615;
constexpr int kDlgThresholdL3 = 1616;
constexpr int kDlgThresholdTotal = 1617;
constexpr int kDlgDelayLabel = 1618;
constexpr int kDlgDelayL1 = 1619;
constexpr int kDlgDelayL2 = 1620;
constexpr int kDlgDelayL3 = 1621;
constexpr int kDlgDelayTotal = 1622;

constexpr std::array<int, 4> kDlgValueRowLabels = {kDlgRatioLabel, kDlgMeasureLabel,
                                                   kDlgThresholdLabel, kDlgDelayLabel};

}  // namespace ctl
