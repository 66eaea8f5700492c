#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/progress_dialog.h"
#include "app/transfer_job.h"
#include "app/ui_prompts.h"
#include "common/file_requester.h"
#include "library/rom_list_model.h"
#include "link/card_link.h"
#include "link/job_monitor.h"
#include "saves/save_ram_move.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;

namespace zorvex::app {

class DirectoryChangeWatch;
class RomListView;
class SettingsStore;
struct EmulatorState;  // app/emulator_state.h

// How a window is set up beyond the card link and the prompts. The desktop
// program uses the defaults; tests point the settings at a file of their own
// and make timers or the worker thread fail.
struct MainWindowOptions {
    QString settingsIniPath;      // empty: the user's settings store
    std::set<int> failingTimers;  // SetTimer of these identifiers fails
    bool failThreadCreation = false;
};

// The program's one top-level window: the library and DIZavo lists, Rom Info
// and Screenshot, the menus, the status hints, the two timers and the
// transfer job. It owns everything that lives for the run except the card link.
//
// The members are implemented in main_window.cpp and, one feature each, in
// main_window_<feature>.cpp.
class MainWindow final : public QDialog {
    Q_OBJECT
  public:
    MainWindow(CardLink& link, UiPrompts& prompts, MainWindowOptions options = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Everything from the Port menu to the settings. False when the window
    // could not get its watch timer ("Can't alloc Timer 2"): the program then
    // ends without touching the stored settings.
    bool Initialise();

    // --- Commands -----------------------------------------------------------
    void OnCommand(int id);
    void SendRomCommand();
    void SelectPortCommand(int k);  // 0 = "Auto &Port select"
    void SelectTransferMode(int mode);
    void ToggleDeepVerify();
    void ToggleSkipUnchanged();
    void ShowAbout();

    // --- Transfer job and timers (main_window_transfer.cpp) --------------------------
    // `needs`: what the check before the erase compares with the card beyond
    // the image's size (a pack's save banks, its name).
    void StartTransferJob(const std::string& fileName, const SendNeeds& needs = {});
    void OnTick(int id);
    // A timer of this window; false when it cannot be had.
    bool SetTimer(int id, int periodMs);
    void KillTimer(int id);
    bool TimerActive(int id) const;
    int TimerPeriod(int id) const;
    // Stops the watch timer for a long or modal operation and starts it again
    // with 1000 ms when the operation's scope ends.
    class WatchTimerPause {
      public:
        explicit WatchTimerPause(MainWindow& window);
        ~WatchTimerPause();
        WatchTimerPause(const WatchTimerPause&) = delete;
        WatchTimerPause& operator=(const WatchTimerPause&) = delete;

      private:
        MainWindow& window_;
    };

    // --- Library (main_window_library.cpp) --------------------------------------
    void RescanRomDirectory();
    void UpdateRomListCaption();
    void ShowRomInfo(int row);
    // Empties Rom Info and the Screenshot pane and releases the picture.
    void ClearRomInfo();

    // --- The ROM folder (main_window_rom_folder.cpp) -------------------------------
    void OpenRomFolder();
    // Copies the .gb, .gbc and .zip files among paths into roms/, asking
    // before it replaces a file of the same name.
    void CopyIntoRomFolder(const std::vector<std::string>& paths);

    // --- DIZavo (main_window_pack.cpp) -------------------------------------------
    void AddFilesToPack();
    void AddLibraryRowToPack(int row);
    void RemovePackRow(int row);  // row may be -1 (Space with no selection)
    void ClearPack();
    void UpdatePackStatus();
    void SendPack();
    void SavePack();

    // --- ROM tools (main_window_rom_tools.cpp) -------------------------------------
    void CutRomCommand();
    void CalculateGbCrcCommand();
    void IpsPatchCommand();

    // --- Emulators (main_window_emulators.cpp) -----------------------------------------
    void BuildEmulatorMenu();
    void SelectEmulator(int k);
    void LaunchEmulator(int n, int row);

    // --- Savegame Manager (main_window_savegames.cpp) -------------------------
    void OpenSavegameManager();

    // --- Services for the command files ----------------------------------------
    // Boxes owned by this window ("Error" caption for ShowError).
    MessageSink& messages() { return messages_; }
    FileRequester& requester() { return requester_; }
    UiPrompts& prompts() { return prompts_; }
    void ShowError(const std::string& text);
    void ShowLastError();
    // One file requester: opens in requesterDirectory, remembers where the
    // user went, and leaves relative paths resolving against workingDirectory.
    std::vector<std::string> AskFiles(const FileRequest& request);
    RequesterDirectories& directories() { return directories_; }
    // The window that owns a box shown now: the progress window while it is
    // open, else the active modal dialog, else this window.
    QWidget* MessageOwner() const;

    CardLink& link() { return link_; }
    // What the running job (a send, a library scan, a pack build) reports and
    // what the progress window's Cancel asks of it.
    JobMonitor& monitor() { return monitor_; }
    bool deepVerify() const { return deepVerify_; }
    bool skipUnchanged() const { return skipUnchanged_; }
    ProgressDialog& progress() { return *progress_; }
    TransferJob& job() { return job_; }
    RomListModel& libraryRows() { return libraryRows_; }
    RomListModel& packRows() { return packRows_; }
    RomListView* libraryView() const { return libraryView_; }
    RomListView* packView() const { return packView_; }
    QAction* MenuItem(int id) const;  // nullptr when not (or no longer) in the menu
    QMenu* emulatorMenu() const { return emulatorMenu_; }
    QMenu* portMenu() const { return portMenu_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QWidget* Control(int id) const;  // controls bound by identifier
    QGroupBox* libraryGroup() const { return libraryGroup_; }
    QGroupBox* packGroup() const { return packGroup_; }
    QLabel* romInfo() const { return romInfo_; }
    QLabel* screenshot() const { return screenshot_; }
    QPushButton* exitButton() const { return exitButton_; }
    QPushButton* sendPackButton() const { return sendPackButton_; }
    QPushButton* clearPackButton() const { return clearPackButton_; }
    QString StatusText() const;
    // The status bar's line that says what the last operation did.
    void ShowResult(const std::string& text);
    QString ResultText() const;
    int hintState() const { return hintState_; }
    // Ticks item `id` and clears the others of first..last (missing items are skipped).
    void CheckRadioItem(int first, int last, int id);

    // Fields shared with the later features.
    int emulatorCount = 0;
    int currentEmulator = 0;
    int lastInsertedLibraryRow = -1;
    int lastInsertedPackRow = -1;
    bool readOnlyStart = false;
    bool firstTickDone = false;
    std::string packTempPath;
    std::string emulatorCopyPath;
    std::string romListFilePath;
    std::optional<QPixmap> screenshotBitmap;
    EmulatorState* emulatorState() { return emulatorState_.get(); }

    // The change watch on roms/: a change seen since the flag was last cleared.
    bool changeSignalled() const { return changeSignalled_; }

  protected:
    void accept() override;  // Return and the E&xit button
    void reject() override;  // Escape, File > "&Exit", the close box
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildControls();
    void BuildMenu();
    QAction* AddItem(QMenu* menu, int id, const char* label);
    void RemoveItem(int id);
    void BuildPortMenu();
    void WireLists();
    void StartChangeWatch();
    void ReadSettings();
    void WriteSettings();
    void Shutdown();
    // Asks before unsaved DIZavo rows are lost; true when the window may close.
    bool MayClose();
    void ShowWhereRomsGo();
    void SetHint(int state);
    void OnLibraryKey(QKeyEvent* event, bool* handled);
    void OnPackKey(QKeyEvent* event, bool* handled);
    void OnLibraryRightDoubleClick(int row);
    void TransferLibraryRow(int row);
    void JobTick();
    void WatchTick();
    void WaitForWorker();

    CardLink& link_;
    UiPrompts& prompts_;
    MainWindowOptions options_;
    std::unique_ptr<SettingsStore> settings_;
    OwnedMessageSink messages_;
    OwnedFileRequester requester_;
    GuiThreadMessageSink workerMessages_;
    RequesterDirectories directories_;

    RomListModel libraryRows_;
    RomListModel packRows_;
    std::vector<RomEntry> savedPack_;  // the DIZavo rows as last saved
    JobMonitor monitor_;
    std::unique_ptr<ProgressDialog> progress_;
    TransferJob job_;
    // The Savegame Manager's save RAM, kept from one opening to the next.
    SaveRamImage saveRam_{};
    std::unique_ptr<EmulatorState> emulatorState_;

    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* portMenu_ = nullptr;
    QMenu* emulatorMenu_ = nullptr;
    std::map<int, QAction*> items_;
    std::map<int, QWidget*> controls_;
    QStatusBar* statusBar_ = nullptr;
    QLabel* resultLine_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QPushButton* sendPackButton_ = nullptr;
    QPushButton* clearPackButton_ = nullptr;
    QGroupBox* libraryGroup_ = nullptr;
    QGroupBox* packGroup_ = nullptr;
    RomListView* libraryView_ = nullptr;
    RomListView* packView_ = nullptr;
    QLabel* romInfo_ = nullptr;
    QLabel* screenshot_ = nullptr;

    QTimer jobTimer_;
    QTimer watchTimer_;
    bool jobTickBusy_ = false;
    bool watchTickBusy_ = false;
    int hintState_ = 0;
    bool deepVerify_ = false;
    // Sends read the card first and leave alone what it already holds.
    bool skipUnchanged_ = false;
    uint8_t deepVerifyByte_ = 0;

    std::unique_ptr<DirectoryChangeWatch> changeWatch_;
    bool changeSignalled_ = false;
    bool settingsRead_ = false;
    bool shutDown_ = false;
};

}  // namespace zorvex::app
