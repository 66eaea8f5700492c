#pragma once

// The fixed identifiers of the main window's controls, menu commands, timers,
// pictures and strings. Other parts of the program and the tests name
// things by these numbers, so they never change.
namespace zorvex::app {

// Pictures.
inline constexpr int kLogoBitmap = 131;
inline constexpr int kStartupBitmap = 144;

// String table.
inline constexpr int kStringAbout = 101;     // "&About Zorvex..."
inline constexpr int kStringTransfer = 104;  // default progress caption

// Buttons and controls of the main window.
inline constexpr int kIdOk = 1;      // "E&xit", the default button
inline constexpr int kIdCancel = 2;  // File > "&Exit"
inline constexpr int kIdSendPack = 1000;
inline constexpr int kIdScreenshot = 1004;
inline constexpr int kIdLibraryList = 1009;
inline constexpr int kIdRomInfo = 1018;
inline constexpr int kIdPackList = 1020;
inline constexpr int kIdLibraryGroup = 1021;
inline constexpr int kIdPackGroup = 1022;
inline constexpr int kIdClearPack = 1023;
inline constexpr int kIdStatusBar = 105;
inline constexpr int kIdSystemAbout = 16;

// Controls of the progress window.
inline constexpr int kIdProgressBar = 1003;
inline constexpr int kIdProgressText = 1004;

// Menu commands.
inline constexpr int kCmdSendRom = 40001;
inline constexpr int kCmdAbout = 40002;
inline constexpr int kCmdAutoPort = 40003;
inline constexpr int kCmdPort1 = 40004;  // port k is kCmdAutoPort + k
inline constexpr int kCmdPort8 = 40011;
inline constexpr int kCmdDeepVerify = 40012;
inline constexpr int kCmdAddToPack = 40013;
inline constexpr int kCmdRescan = 40015;
inline constexpr int kCmdAutoSppEpp = 40016;
inline constexpr int kCmdSpp = 40017;
inline constexpr int kCmdEpp = 40018;
inline constexpr int kCmdSavePack = 40019;
inline constexpr int kCmdIpsPatch = 40020;
inline constexpr int kCmdCutRom = 40021;
inline constexpr int kCmdGbCrc = 40022;
inline constexpr int kCmdEmulator0 = 40023;  // emulator k is kCmdEmulator0 + k
inline constexpr int kCmdEmulator9 = 40032;
inline constexpr int kCmdSavegameManager = 40033;
inline constexpr int kCmdOpenRomFolder = 40034;
inline constexpr int kCmdSkipUnchanged = 40035;

inline constexpr int kMaxPorts = 8;
inline constexpr int kMaxEmulators = 10;

// Timers of the main window.
inline constexpr int kJobTimerId = 1;
inline constexpr int kWatchTimerId = 2;
inline constexpr int kJobTimerPeriod = 100;
inline constexpr int kWatchTimerPeriod = 1000;

// hintState values.
inline constexpr int kHintNone = 0;
inline constexpr int kHintLibrary = 1;
inline constexpr int kHintPack = 2;
inline constexpr int kHintEmpty = 3;

inline constexpr const char* kLibraryHint =
    "Left Double Click,<Return> : Transfer Rom / Right Click,<Space> : Insert Rom in DIZavo / "
    "Right Double Click,0-9 Start Emulator.";
inline constexpr const char* kPackHint = "Right Click,<Space> : Remove Rom from DIZavo.";

inline constexpr const char* kCaption = "Zorvex V1.10";
inline constexpr const char* kSettingsOrganisation = "Halvorn Ltd.";

}  // namespace zorvex::app
