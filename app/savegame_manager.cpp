#include "app/savegame_manager.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace zorvex::app {

namespace {

// Opens the progress window owned by the manager rather than by the main
// window: while the manager runs modally, a window outside it would take no
// input, and its Cancel could never be pressed.
class OwnedProgress final : public ProgressSink {
  public:
    OwnedProgress(ProgressDialog& dialog, QWidget* owner) : dialog_(dialog), owner_(owner) {}
    bool Open() override { return dialog_.Open(owner_); }
    void SetCaption(const std::string& caption) override { dialog_.SetCaption(caption); }
    void SetRange(int low, int high) override { dialog_.SetRange(low, high); }
    void SetPos(int pos) override { dialog_.SetPos(pos); }
    void PumpMessages() override { dialog_.PumpMessages(); }
    void Close() override { dialog_.Close(); }
    void SetDetails(const std::string& what, const std::string& phase,
                    const std::string& rest) override {
        dialog_.SetDetails(what, phase, rest);
    }

  private:
    ProgressDialog& dialog_;
    QWidget* owner_;
};

// The game names are the cartridge headers' plain 8-bit titles, not UTF-8; the
// file names are the file system's.
QString ItemText(const SlotList& list, int row, int column) {
    const std::string& text = list.Item(row, column);
    if (column == SlotColumnGame) return QString::fromLatin1(text.data(), qsizetype(text.size()));
    return QString::fromStdString(text);
}

}  // namespace

SavegameManager::SavegameManager(QWidget* parent, CardLink& link, SaveRamImage& image,
                                 std::atomic<bool>& cancel, UiPrompts& prompts,
                                 RequesterDirectories& directories)
    : QDialog(parent),
      link_(link),
      messages_(prompts, this),
      requester_(prompts, this),
      progress_(std::make_unique<ProgressDialog>(cancel, parent)),
      progressSink_(std::make_unique<OwnedProgress>(*progress_, this)) {
    setObjectName(QStringLiteral("savegameManager"));
    setWindowTitle(QStringLiteral("Savegame Manager"));
    setModal(true);
    operations_ = std::make_unique<SavegameOperations>(link_, image, slots_, messages_, requester_,
                                                       directories, *progressSink_, cancel);

    BuildList();

    auto* transfer = new QGroupBox(QStringLiteral("Transfer"), this);
    auto* transferLayout = new QVBoxLayout(transfer);
    transferLayout->addWidget(AddButton(kIdSramToPc, "&SRAM->PC"));
    transferLayout->addWidget(AddButton(kIdPcToSram, "&PC->SRAM"));
    transferLayout->addWidget(AddButton(kIdSlotsToPc, "Slo&t(s)->PC"));
    transferLayout->addWidget(AddButton(kIdPcToSlots, "P&C->Slot(s)"));

    auto* files = new QGroupBox(QStringLiteral("Load/Save"), this);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->addWidget(AddButton(kIdLoadSram, "&Load SRAM"));
    filesLayout->addWidget(AddButton(kIdSaveSram, "S&ave SRAM"));
    filesLayout->addWidget(AddButton(kIdLoadSlots, "L&oad Slot(s)"));
    filesLayout->addWidget(AddButton(kIdSaveSlots, "Sa&ve Slot(s)"));

    auto* side = new QVBoxLayout;
    side->addWidget(transfer);
    side->addWidget(files);
    side->addWidget(AddButton(kIdScanRom, "Scan &Rom"));
    side->addStretch(1);
    side->addWidget(AddButton(kIdSavegameExit, "E&xit"));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(side);

    connect(button(kIdSramToPc), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::SramToPc); });
    connect(button(kIdPcToSram), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::PcToSram); });
    connect(button(kIdSlotsToPc), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::SlotsToPc); });
    connect(button(kIdPcToSlots), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::PcToSlots); });
    connect(button(kIdLoadSram), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::LoadSram); });
    connect(button(kIdSaveSram), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::SaveSram); });
    connect(button(kIdLoadSlots), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::LoadSlots); });
    connect(button(kIdSaveSlots), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::SaveSlots); });
    connect(button(kIdScanRom), &QPushButton::clicked, this,
            [this] { Run(&SavegameOperations::ScanRomCommand); });
    connect(button(kIdSavegameExit), &QPushButton::clicked, this, &SavegameManager::reject);

    slots_.SetObserver(this);
}

SavegameManager::~SavegameManager() {
    slots_.SetObserver(nullptr);
}

void SavegameManager::BuildList() {
    list_ = new QTableWidget(kSlotCount, kSlotColumnCount, this);
    list_->setObjectName(QStringLiteral("control%1").arg(kIdSlotList));
    // A report view: several rows may be selected, whole rows, grid lines, not
    // sorted, not editable.
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setSortingEnabled(false);
    list_->setWordWrap(false);
    list_->verticalHeader()->setVisible(false);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->setStyleSheet(QStringLiteral("QTableWidget { background: white; color: black; }"));
    for (int column = 0; column < kSlotColumnCount; ++column) {
        const auto& slotColumn = kSlotColumns[static_cast<size_t>(column)];
        list_->setHorizontalHeaderItem(column,
                                       new QTableWidgetItem(QString::fromUtf8(slotColumn.title)));
        list_->setColumnWidth(column, slotColumn.width);
    }
    for (int row = 0; row < kSlotCount; ++row) {
        for (int column = 0; column < kSlotColumnCount; ++column)
            list_->setItem(row, column, new QTableWidgetItem(ItemText(slots_, row, column)));
    }
    list_->resizeRowsToContents();
    for (int column = 0; column < kSlotColumnCount; ++column) FitColumn(column);
    int width = list_->frameWidth() * 2;
    for (int column = 0; column < kSlotColumnCount; ++column) width += list_->columnWidth(column);
    const int height = list_->frameWidth() * 2 + list_->horizontalHeader()->sizeHint().height() +
                       kSlotCount * list_->rowHeight(0);
    list_->setMinimumSize(width + 20, height);
    connect(list_, &QTableWidget::itemSelectionChanged, this, &SavegameManager::SyncSelection);
}

QPushButton* SavegameManager::AddButton(int controlId, const char* label) {
    auto* b = new QPushButton(QString::fromUtf8(label), this);
    b->setObjectName(QStringLiteral("control%1").arg(controlId));
    // Return is the dialog's own key (see accept); it never presses the focused button.
    b->setAutoDefault(false);
    b->setDefault(false);
    buttons_[controlId] = b;
    return b;
}

QPushButton* SavegameManager::button(int controlId) const {
    auto it = buttons_.find(controlId);
    return it == buttons_.end() ? nullptr : it->second;
}

void SavegameManager::ItemChanged(int row, int column) {
    if (QTableWidgetItem* item = list_->item(row, column)) {
        item->setText(ItemText(slots_, row, column));
        FitColumn(column);
    }
}

void SavegameManager::CardSlotsChanged(int cardSlots) {
    // A selection made before the rows were hidden stays, so that a transfer
    // still says which selected slot the card does not have.
    for (int row = 0; row < list_->rowCount(); ++row) list_->setRowHidden(row, row >= cardSlots);
}

void SavegameManager::FitColumn(int column) {
    // The template's widths are a minimum: at today's fonts "Slot 00" needs
    // more than the Slot column's 40 pixels, and the texts must stay readable.
    const QAbstractItemView* view = list_;  // the table's own override is protected
    const int needed = std::max(view->sizeHintForColumn(column),
                                list_->horizontalHeader()->sectionSizeHint(column));
    if (list_->columnWidth(column) < needed) list_->setColumnWidth(column, needed);
}

void SavegameManager::SyncSelection() {
    slots_.ClearSelection();
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        slots_.Select(index.row());
}

void SavegameManager::SetLocked(bool locked) {
    list_->setEnabled(!locked);
    for (auto& [id, b] : buttons_) b->setEnabled(!locked);
}

void SavegameManager::Run(bool (SavegameOperations::*operation)()) {
    // A click delivered while a card loop pumps messages must not start a
    // second operation inside the first.
    if (operations_->busy()) return;
    SyncSelection();
    QWidget* focus = focusWidget();
    SetLocked(true);
    (operations_.get()->*operation)();
    SetLocked(false);
    if (focus) focus->setFocus();
}

void SavegameManager::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SavegameManager::accept() {
    // The dialog's own focus child, so the rule holds whether or not the
    // window is active at the moment.
    if (focusWidget() == list_) return;
    if (operations_->busy()) return;
    QDialog::accept();
}

void SavegameManager::reject() {
    // Closing in the middle of a card loop would destroy what the loop works on.
    if (operations_->busy()) return;
    QDialog::reject();
}

void SavegameManager::closeEvent(QCloseEvent* event) {
    if (operations_->busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace zorvex::app
