#include "app/main_window.h"
#include "app/pictures.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cstdio>

#include "app/about_dialog.h"
#include "app/control_ids.h"
#include "app/dialog_units.h"
#include "app/directory_change_watch.h"
#include "app/emulator_state.h"
#include "app/rom_list_view.h"
#include "app/settings_store.h"
#include "app/template_layout.h"
#include "common/file_io.h"
#include "library/rom_list_location.h"
#include "library/rom_scan.h"
#include "pack/pack_temp_path.h"

namespace zorvex::app {

namespace {

constexpr std::array<int, 7> kLibraryColumnWidths{130, 80, 95, 60, 60, 100, 100};
constexpr std::array<int, 7> kPackColumnWidths{130, 80, 200, 60, 0, 0, 0};
// Room in the status bar beside the text: its margins and the size grip.
constexpr int kStatusBarSpare = 40;

QString ControlName(int id) {
    return QStringLiteral("control%1").arg(id);
}

}  // namespace

MainWindow::MainWindow(CardLink& link, UiPrompts& prompts, MainWindowOptions options,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      link_(link),
      prompts_(prompts),
      options_(std::move(options)),
      settings_(options_.settingsIniPath.isEmpty()
                    ? std::make_unique<SettingsStore>()
                    : std::make_unique<SettingsStore>(options_.settingsIniPath)),
      messages_(prompts, this),
      requester_(prompts, this),
      workerMessages_(&prompts),
      emulatorState_(std::make_unique<EmulatorState>()) {
    RegisterPictures();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(QIcon(QStringLiteral(":/zorvex/icon.png")));
    progress_ = std::make_unique<ProgressDialog>(monitor_.cancel, this, kStringTransfer);
    // The worker's boxes belong to the progress window it runs under.
    workerMessages_.SetOwnerProvider([this]() -> QWidget* { return progress_.get(); });

    jobTimer_.setObjectName(QStringLiteral("jobTimer"));
    watchTimer_.setObjectName(QStringLiteral("watchTimer"));
    connect(&jobTimer_, &QTimer::timeout, this, [this] { OnTick(kJobTimerId); });
    connect(&watchTimer_, &QTimer::timeout, this, [this] { OnTick(kWatchTimerId); });

    BuildMenu();
    BuildControls();
    WireLists();
}

MainWindow::~MainWindow() {
    WaitForWorker();
    Shutdown();
    // The views watch the row models, which are members and go before the
    // base class deletes its children; the progress window re-enables this
    // window on its way out, which must happen while it is still whole.
    delete libraryView_;
    delete packView_;
    libraryView_ = packView_ = nullptr;
    controls_.clear();
    progress_.reset();
}

// --- Layout -----------------------------------------------------------------

void MainWindow::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);

    // The template's controls at their places, in dialog units of this font.
    // The template's size is the smallest the window gets; a larger window
    // gives the extra room to the lists and the Rom Info pane, and the rest
    // moves along with them.
    using Anchor = TemplateLayout::Anchor;
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    const DialogUnits du(font());
    auto* place = new TemplateLayout(client, du, QSize(428, 237));
    layout->addWidget(client, 1);

    auto* line = new QFrame(client);
    line->setFrameShape(QFrame::Box);
    line->setStyleSheet(QStringLiteral("color: black; background: black"));
    place->Add(line, QRect(0, 0, 428, 1), Anchor::GrowWidth);

    packGroup_ = new QGroupBox(QStringLiteral("DIZavo RomList (Empty)"), client);
    place->Add(packGroup_, QRect(4, 5, 214, 83), Anchor::GrowWidth);
    libraryGroup_ = new QGroupBox(QStringLiteral("RomList (Empty)"), client);
    place->Add(libraryGroup_, QRect(4, 90, 263, 143), Anchor::GrowWidth | Anchor::GrowHeight);
    auto* screenshotGroup = new QGroupBox(QStringLiteral("Screenshot"), client);
    place->Add(screenshotGroup, QRect(273, 56, 149, 106), Anchor::MoveRight);
    auto* infoGroup = new QGroupBox(QStringLiteral("Rom Info"), client);
    infoGroup->setObjectName(QStringLiteral("romInfoGroup"));
    place->Add(infoGroup, QRect(273, 164, 149, 68), Anchor::MoveRight | Anchor::GrowHeight);

    exitButton_ = new QPushButton(QStringLiteral("E&xit"), client);
    place->Add(exitButton_, QRect(220, 43, 51, 16), Anchor::MoveRight);
    exitButton_->setDefault(true);
    connect(exitButton_, &QPushButton::clicked, this, &MainWindow::accept);

    auto* logo = new QLabel(client);
    logo->setObjectName(QStringLiteral("picture%1").arg(kLogoBitmap));
    logo->setPixmap(QPixmap(QStringLiteral(":/zorvex/logo.png")));
    place->Add(logo, QRect(280, 8, 137, 42), Anchor::MoveRight);
    logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    packView_ = new RomListView(packRows_, kPackColumnWidths, client);
    place->Add(packView_, QRect(9, 15, 204, 67), Anchor::GrowWidth);

    clearPackButton_ = new QPushButton(QStringLiteral("&Clear DIZavo"), client);
    place->Add(clearPackButton_, QRect(220, 21, 51, 16), Anchor::MoveRight);
    clearPackButton_->setEnabled(false);
    connect(clearPackButton_, &QPushButton::clicked, this, [this] { OnCommand(kIdClearPack); });

    sendPackButton_ = new QPushButton(QStringLiteral("&Send DIZavo"), client);
    place->Add(sendPackButton_, QRect(220, 65, 51, 16), Anchor::MoveRight);
    sendPackButton_->setEnabled(false);
    connect(sendPackButton_, &QPushButton::clicked, this, [this] { OnCommand(kIdSendPack); });

    libraryView_ = new RomListView(libraryRows_, kLibraryColumnWidths, client);
    libraryView_->SetFollowsPickedFile(true);
    place->Add(libraryView_, QRect(9, 102, 253, 124), Anchor::GrowWidth | Anchor::GrowHeight);

    screenshot_ = new QLabel(client);
    place->Add(screenshot_, QRect(278, 65, 140, 92), Anchor::MoveRight);
    screenshot_->setAlignment(Qt::AlignCenter);
    screenshot_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    // The text lies inside the group's frame, below its title, whatever room
    // the platform's title takes (the template's 8 units are too few for some).
    romInfo_ = new QLabel(infoGroup);
    romInfo_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    romInfo_->setWordWrap(true);
    romInfo_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    auto* infoLayout = new QVBoxLayout(infoGroup);
    infoLayout->setContentsMargins(du.X(2), 0, du.X(2), du.Y(1));
    infoLayout->addWidget(romInfo_);

    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(true);
    statusBar_->clearMessage();
    // Under the hints, which come and go with the focus, the result of the
    // last operation stays until the next one and shows whenever no hint does.
    resultLine_ = new QLabel(statusBar_);
    resultLine_->setObjectName(QStringLiteral("resultLine"));
    // A long line is cut at the window's edge (its tooltip holds all of it);
    // it never widens the window.
    resultLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar_->addWidget(resultLine_, 1);
    layout->addWidget(statusBar_);
    // The window opens wide enough for the longest hint in this font. (A
    // tooltip on the status bar would not help: the mouse over the bar
    // empties it, as it does everywhere outside the two lists.)
    const int hintWidth =
        statusBar_->fontMetrics().horizontalAdvance(QString::fromLatin1(kLibraryHint)) +
        kStatusBarSpare;
    place->SetPreferredSize(QSize(hintWidth, du.Y(237)));
    // An explicit size: the first show would cut the preferred size down to
    // two thirds of the screen, which on a small one cuts the hint again.
    resize(sizeHint());

    controls_ = {{kIdOk, exitButton_},
                 {kIdSendPack, sendPackButton_},
                 {kIdClearPack, clearPackButton_},
                 {kIdPackGroup, packGroup_},
                 {kIdLibraryGroup, libraryGroup_},
                 {kIdPackList, packView_},
                 {kIdLibraryList, libraryView_},
                 {kIdRomInfo, romInfo_},
                 {kIdScreenshot, screenshot_},
                 {kIdStatusBar, statusBar_}};
    for (auto& [id, widget] : controls_) widget->setObjectName(ControlName(id));

    // Hints follow the mouse everywhere in the window, so every widget reports moves.
    setMouseTracking(true);
    for (QWidget* w : findChildren<QWidget*>()) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    installEventFilter(this);
}

QAction* MainWindow::AddItem(QMenu* menu, int id, const char* label) {
    QAction* action = menu->addAction(QString::fromLatin1(label));
    action->setData(id);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    items_[id] = action;
    return action;
}

void MainWindow::RemoveItem(int id) {
    auto it = items_.find(id);
    if (it == items_.end()) return;
    delete it->second;  // leaves every menu that shows it
    items_.erase(it);
}

QAction* MainWindow::MenuItem(int id) const {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : it->second;
}

QWidget* MainWindow::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void MainWindow::BuildMenu() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setNativeMenuBar(false);

    fileMenu_ = menuBar_->addMenu(QStringLiteral("&File"));
    AddItem(fileMenu_, kCmdSendRom, "&Send Rom");
    AddItem(fileMenu_, kCmdCutRom, "&Cut Rom");
    AddItem(fileMenu_, kCmdGbCrc, "Ca&lculate GB-CRC");
    // Z, since D belongs to "&Deep Verify".
    AddItem(fileMenu_, kCmdAddToPack, "Add Rom(s) to DI&Zavo");
    AddItem(fileMenu_, kCmdSavePack, "Sa&ve DIZavo")->setEnabled(false);
    AddItem(fileMenu_, kCmdRescan, "&Rescan RomDir");
    AddItem(fileMenu_, kCmdOpenRomFolder, "&Open ROM Folder");
    AddItem(fileMenu_, kCmdIpsPatch, "&IPS Patch File ");
    fileMenu_->addSeparator();
    AddItem(fileMenu_, kCmdDeepVerify, "&Deep Verify")->setCheckable(true);
    AddItem(fileMenu_, kCmdSkipUnchanged, "Skip &unchanged banks")->setCheckable(true);
    fileMenu_->addSeparator();
    AddItem(fileMenu_, kCmdSavegameManager, "SaveGame &Manager");
    fileMenu_->addSeparator();
    AddItem(fileMenu_, kCmdAbout, "&About...");
    fileMenu_->addSeparator();
    AddItem(fileMenu_, kIdCancel, "&Exit");

    // Port items, transfer modes and emulators are three radio groups: one
    // tick each, shown as radio marks, and a click never clears a tick.
    portMenu_ = menuBar_->addMenu(QStringLiteral("&Port"));
    auto* ports = new QActionGroup(portMenu_);
    AddItem(portMenu_, kCmdAutoPort, "Auto &Port select")->setActionGroup(ports);
    for (int k = 1; k <= kMaxPorts; ++k) {
        const std::string label = "Port &" + std::to_string(k);
        QAction* item = AddItem(portMenu_, kCmdAutoPort + k, label.c_str());
        item->setActionGroup(ports);
        item->setEnabled(false);
    }
    auto* modes = new QActionGroup(portMenu_);
    for (auto [id, label] : {std::pair{kCmdAutoSppEpp, "&Auto SPP/EPP"}, std::pair{kCmdSpp, "&SPP"},
                             std::pair{kCmdEpp, "&EPP"}})
        AddItem(portMenu_, id, label)->setActionGroup(modes);

    emulatorMenu_ = menuBar_->addMenu(QStringLiteral("Set &Emulator"));
    auto* emulators = new QActionGroup(emulatorMenu_);
    for (int k = 0; k < kMaxEmulators; ++k) {
        const std::string label = "Emulator " + std::to_string(k);
        AddItem(emulatorMenu_, kCmdEmulator0 + k, label.c_str())->setActionGroup(emulators);
    }
    for (QActionGroup* group : {ports, modes, emulators}) {
        for (QAction* item : group->actions()) item->setCheckable(true);
    }
}

void MainWindow::CheckRadioItem(int first, int last, int id) {
    for (int i = first; i <= last; ++i) {
        if (QAction* item = MenuItem(i)) item->setChecked(i == id);
    }
}

void MainWindow::BuildPortMenu() {
    const int count = std::clamp(link_.PortCount(), 0, kMaxPorts);
    for (int k = 1; k <= count; ++k) {
        if (QAction* item = MenuItem(kCmdAutoPort + k)) {
            item->setText(
                QString::fromStdString(Format("Port &%d (0x%04x)", k, link_.PortBase(k))));
            item->setEnabled(true);
        }
    }
    if (count > 1) {
        for (int id = kCmdPort1 + count; id <= kCmdPort8; ++id) RemoveItem(id);
        CheckRadioItem(kCmdAutoPort, kCmdAutoPort + count, kCmdAutoPort);
    } else {
        // One port or none: nothing to choose, only the transfer modes remain.
        for (int id = kCmdAutoPort; id <= kCmdPort8; ++id) RemoveItem(id);
    }
}

// --- Initialisation and shutdown ----------------------------------------------

bool MainWindow::Initialise() {
    SetHint(kHintNone);
    statusBar_->clearMessage();
    directories_.working = QDir::currentPath().toStdString();
    directories_.requester = directories_.working;

    BuildPortMenu();
    link_.SetTransferMode(TransferAuto);
    CheckRadioItem(kCmdAutoSppEpp, kCmdEpp, kCmdAutoSppEpp);

    emulatorCount = 0;
    currentEmulator = 0;
    BuildEmulatorMenu();

    StartChangeWatch();
    readOnlyStart = !WorkingDirectoryWritable();
    romListFilePath = OpenRomListAtStart(!readOnlyStart, libraryRows_, messages_);
    UpdateRomListCaption();

    if (!SetTimer(kWatchTimerId, 0)) {
        prompts_.ShowMessage(this, "Can't alloc Timer 2", "ERROR");
        // The settings have not been read yet; writing them now would replace
        // the stored values with the defaults, so the window ends without it.
        return false;
    }
    packTempPath = DefaultPackTempPath();
    ShowWhereRomsGo();
    ReadSettings();
    exitButton_->setFocus(Qt::OtherFocusReason);
    return true;
}

void MainWindow::StartChangeWatch() {
    changeSignalled_ = false;
    // The change is kept as a flag and looked at by the watch timer, so a change
    // made while a job runs is acted on after it. Without the directory there is
    // nothing to watch: the library is then only rescanned at start and by
    // "&Rescan RomDir".
    changeWatch_ = std::make_unique<DirectoryChangeWatch>([this] { changeSignalled_ = true; });
    changeWatch_->Start(QDir::current().absoluteFilePath(QStringLiteral("roms")));
}

void MainWindow::WaitForWorker() {
    if (!job_.thread.joinable()) return;
    // The worker may be waiting for the GUI thread to show its box; keep
    // serving events until it has finished.
    while (!job_.done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    job_.thread.join();
}

void MainWindow::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    KillTimer(kWatchTimerId);
    changeWatch_.reset();
    screenshotBitmap.reset();
    if (!packTempPath.empty()) std::remove(packTempPath.c_str());
    if (!emulatorCopyPath.empty()) std::remove(emulatorCopyPath.c_str());
    if (settingsRead_) WriteSettings();
}

// --- OK, cancel and hints -------------------------------------------------------

void MainWindow::accept() {
    QWidget* focus = focusWidget();
    if (focus && (focus == libraryView_ || libraryView_->isAncestorOf(focus))) {
        TransferLibraryRow(libraryView_->SelectedRow());
        return;  // the window stays open
    }
    if (focus && (focus == packView_ || packView_->isAncestorOf(focus))) return;
    if (MayClose()) QDialog::accept();
}

// Escape, File > "&Exit" and the close box (through closeEvent) all end here.
void MainWindow::reject() {
    if (MayClose()) QDialog::reject();
}

bool MainWindow::MayClose() {
    const int unsaved = packRows_.Count();
    if (unsaved == 0 || packRows_.Snapshot() == savedPack_) return true;
    const std::string question =
        unsaved == 1 ? std::string("The DIZavo list holds 1 Rom that was not saved.")
                     : Format("The DIZavo list holds %d Roms that were not saved.", unsaved);
    return prompts_.AskYesNo(this, question + " Quit anyway?", kCaption);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // While the progress window holds this window disabled (a transfer, a
    // scan, a pack build) the window manager's close box is refused too.
    if (!isEnabled() || !job_.done) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void MainWindow::SetHint(int state) {
    if (state == hintState_) return;
    hintState_ = state;
    switch (state) {
        case kHintLibrary:
            statusBar_->showMessage(QString::fromLatin1(kLibraryHint));
            break;
        case kHintPack:
            statusBar_->showMessage(QString::fromLatin1(kPackHint));
            break;
        default:
            statusBar_->clearMessage();
            break;
    }
}

QString MainWindow::StatusText() const {
    return statusBar_->currentMessage();
}

void MainWindow::ShowResult(const std::string& text) {
    // The hint gives way to the result, and comes back with the next move of
    // the mouse or the focus that calls for it.
    SetHint(kHintEmpty);
    resultLine_->setText(QString::fromStdString(text));
    resultLine_->setToolTip(resultLine_->text());
}

QString MainWindow::ResultText() const {
    return resultLine_->text();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && libraryView_ && packView_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            int wanted = kHintEmpty;
            if (widget == libraryView_ || libraryView_->isAncestorOf(widget)) {
                wanted = kHintLibrary;
            } else if (widget == packView_ || packView_->isAncestorOf(widget)) {
                wanted = kHintPack;
            }
            SetHint(wanted);
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- Lists ------------------------------------------------------------------------

void MainWindow::WireLists() {
    connect(libraryView_, &RomListView::LeftDoubleClicked, this,
            [this](int row) { TransferLibraryRow(row); });
    connect(libraryView_, &RomListView::RightClicked, this, [this](int row) {
        if (row != -1) AddLibraryRowToPack(row);
    });
    connect(libraryView_, &RomListView::RightDoubleClicked, this,
            &MainWindow::OnLibraryRightDoubleClick);
    connect(libraryView_, &RomListView::KeyPressed, this, &MainWindow::OnLibraryKey);
    connect(libraryView_, &RomListView::ItemChanged, this, &MainWindow::ShowRomInfo);
    connect(libraryView_, &RomListView::FocusGained, this, [this] {
        statusBar_->clearMessage();
        hintState_ = kHintEmpty;
    });
    connect(libraryView_, &RomListView::FocusLost, this, [this] {
        statusBar_->showMessage(QString::fromLatin1(kLibraryHint));
        hintState_ = kHintLibrary;
    });

    connect(packView_, &RomListView::RightClicked, this, [this](int row) {
        if (row != -1) RemovePackRow(row);
    });
    connect(packView_, &RomListView::KeyPressed, this, &MainWindow::OnPackKey);
    connect(packView_, &RomListView::FocusGained, this, [this] {
        statusBar_->clearMessage();
        hintState_ = kHintEmpty;
    });
    connect(packView_, &RomListView::FocusLost, this, [this] {
        statusBar_->showMessage(QString::fromLatin1(kPackHint));
        hintState_ = kHintPack;
    });
}

void MainWindow::TransferLibraryRow(int row) {
    if (row < 0 || row >= libraryRows_.Count()) return;
    std::string path = std::string(kRomDirectory) + libraryRows_.Row(row)[FieldFileName];
    if (path.size() > 511) path.resize(511);
    StartTransferJob(path);
}

void MainWindow::OnLibraryKey(QKeyEvent* event, bool* handled) {
    const int row = libraryView_->SelectedRow();
    const int key = event->key();
    if (key == Qt::Key_Space) {
        if (row != -1) AddLibraryRowToPack(row);
        *handled = true;
    } else if (key >= Qt::Key_0 && key <= Qt::Key_9 && !(event->modifiers() & Qt::KeypadModifier)) {
        // Digits of the main keyboard start emulator 0-9; the keypad's do not.
        if (row != -1) LaunchEmulator(key - Qt::Key_0, row);
        *handled = true;
    }
    if (hintState_ != kHintLibrary) SetHint(kHintLibrary);
}

void MainWindow::OnPackKey(QKeyEvent* event, bool* handled) {
    if (event->key() == Qt::Key_Space) {
        RemovePackRow(packView_->SelectedRow());
        *handled = true;
    }
    if (hintState_ != kHintPack) SetHint(kHintPack);
}

void MainWindow::OnLibraryRightDoubleClick(int row) {
    // The first click of the double click has put the row into the DIZavo;
    // the gesture means "start the emulator", so that insertion is undone.
    if (row == -1 || row != lastInsertedLibraryRow) return;
    if (lastInsertedPackRow >= 0) {
        packRows_.RemoveRow(lastInsertedPackRow);
        UpdatePackStatus();
    }
    LaunchEmulator(currentEmulator, row);
}

// --- Commands --------------------------------------------------------------------

void MainWindow::OnCommand(int id) {
    if (id >= kCmdAutoPort && id <= kCmdPort8) return SelectPortCommand(id - kCmdAutoPort);
    if (id >= kCmdEmulator0 && id <= kCmdEmulator9) return SelectEmulator(id - kCmdEmulator0);
    switch (id) {
        case kCmdSendRom:
            return SendRomCommand();
        case kCmdCutRom:
            return CutRomCommand();
        case kCmdGbCrc:
            return CalculateGbCrcCommand();
        case kCmdAddToPack:
            return AddFilesToPack();
        case kCmdSavePack:
            return SavePack();
        case kCmdRescan:
            return RescanRomDirectory();
        case kCmdOpenRomFolder:
            return OpenRomFolder();
        case kCmdIpsPatch:
            return IpsPatchCommand();
        case kCmdDeepVerify:
            return ToggleDeepVerify();
        case kCmdSkipUnchanged:
            return ToggleSkipUnchanged();
        case kCmdSavegameManager:
            return OpenSavegameManager();
        case kCmdAbout:
        case kIdSystemAbout:
            return ShowAbout();
        case kIdCancel:
            return reject();
        case kCmdAutoSppEpp:
            return SelectTransferMode(TransferAuto);
        case kCmdSpp:
            return SelectTransferMode(TransferSpp);
        case kCmdEpp:
            return SelectTransferMode(TransferEpp);
        case kIdSendPack:
            return SendPack();
        case kIdClearPack:
            return ClearPack();
        case kIdOk:
            return accept();
        default:
            return;
    }
}

void MainWindow::SelectPortCommand(int k) {
    if (k == 0)
        link_.ScanAllPorts();  // the current port stays as it is
    else
        link_.ChoosePort(k);
    CheckRadioItem(kCmdAutoPort, kCmdAutoPort + link_.PortCount(), kCmdAutoPort + k);
}

void MainWindow::SelectTransferMode(int mode) {
    // Takes effect at the next card detection.
    link_.SetTransferMode(static_cast<uint8_t>(mode));
    CheckRadioItem(kCmdAutoSppEpp, kCmdEpp, kCmdAutoSppEpp + mode);
}

void MainWindow::ToggleSkipUnchanged() {
    skipUnchanged_ = !skipUnchanged_;
    if (QAction* item = MenuItem(kCmdSkipUnchanged)) item->setChecked(skipUnchanged_);
}

void MainWindow::ToggleDeepVerify() {
    deepVerify_ = !deepVerify_;
    deepVerifyByte_ = deepVerify_ ? 1 : 0;
    if (QAction* item = MenuItem(kCmdDeepVerify)) item->setChecked(deepVerify_);
}

void MainWindow::SendRomCommand() {
    FileRequest request;
    request.kind = FileRequest::Kind::Open;
    request.title = "Transfer Rom";
    request.filter = "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||";
    request.mustExist = true;
    const std::vector<std::string> chosen = AskFiles(request);
    if (!chosen.empty()) StartTransferJob(chosen.front());
}

void MainWindow::ShowAbout() {
    AboutDialog about(this);
    prompts_.RunModal(about);
}

// --- Services ------------------------------------------------------------------------

void MainWindow::ShowError(const std::string& text) {
    prompts_.ShowMessage(this, text, "Error");
}

void MainWindow::ShowLastError() {
    zorvex::ShowLastError(messages_);
}

std::vector<std::string> MainWindow::AskFiles(const FileRequest& request) {
    std::vector<std::string> chosen = zorvex::AskFiles(requester_, request, directories_);
    // Relative paths of the library, screenshots and configuration resolve
    // against the working directory again.
    QDir::setCurrent(QString::fromStdString(directories_.working));
    return chosen;
}

QWidget* MainWindow::MessageOwner() const {
    if (progress_ && progress_->IsOpen()) return progress_.get();
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return const_cast<MainWindow*>(this);
}

}  // namespace zorvex::app
