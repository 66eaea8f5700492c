#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>

#include "app/progress_dialog.h"
#include "app/ui_prompts.h"
#include "common/file_requester.h"
#include "link/card_link.h"
#include "saves/savegame_operations.h"
#include "saves/slot_list.h"

class QPushButton;
class QTableWidget;

namespace zorvex::app {

inline constexpr int kSavegameManagerTemplate = 146;
inline constexpr int kIdSramToPc = 1000;
inline constexpr int kIdPcToSram = 1030;
inline constexpr int kIdLoadSram = 1031;
inline constexpr int kIdSaveSram = 1032;
inline constexpr int kIdLoadSlots = 1033;
inline constexpr int kIdSaveSlots = 1034;
inline constexpr int kIdSlotList = 1035;
inline constexpr int kIdScanRom = 1036;
inline constexpr int kIdSlotsToPc = 1037;
inline constexpr int kIdPcToSlots = 1038;
inline constexpr int kIdSavegameExit = 2;

// The modal Savegame Manager: sixteen slot rows and the buttons that move save
// RAM between the card, the owner's save-RAM image and files. The object lives
// for one opening; its list texts go with it, the image stays with the owner.
//
// The progress window of a card loop belongs to this dialog: the dialog runs
// modally, and only a window of its own stays usable (Cancel) meanwhile. The
// dialog also locks its own controls while any operation runs.
class SavegameManager final : public QDialog, private SlotListObserver {
    Q_OBJECT
  public:
    // `parent` (the main window) owns the progress window; `image`, `cancel`
    // (what the progress window's Cancel sets) and `directories` are the main
    // window's own, and the requesters update the directories.
    SavegameManager(QWidget* parent, CardLink& link, SaveRamImage& image, std::atomic<bool>& cancel,
                    UiPrompts& prompts, RequesterDirectories& directories);
    ~SavegameManager() override;

    QTableWidget* slotList() const { return list_; }
    QPushButton* button(int controlId) const;
    SlotList& slotState() { return slots_; }
    ProgressDialog& progress() { return *progress_; }
    bool busy() const { return operations_->busy(); }
    // Where the line that says what a card operation did goes.
    void SetResultSink(std::function<void(const std::string&)> sink) {
        operations_->SetResultSink(std::move(sink));
    }

  public slots:
    void accept() override;  // Return: closes unless the slot list has the focus
    void reject() override;  // Escape, close box and "E&xit"

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ItemChanged(int row, int column) override;
    void CardSlotsChanged(int cardSlots) override;  // rows beyond the card's slots are hidden
    void BuildList();
    void FitColumn(int column);
    QPushButton* AddButton(int controlId, const char* label);
    void SyncSelection();
    void Run(bool (SavegameOperations::*operation)());
    void SetLocked(bool locked);

    CardLink& link_;
    SlotList slots_;
    OwnedMessageSink messages_;
    OwnedFileRequester requester_;
    std::unique_ptr<ProgressDialog> progress_;
    std::unique_ptr<ProgressSink> progressSink_;
    std::unique_ptr<SavegameOperations> operations_;
    QTableWidget* list_ = nullptr;
    std::map<int, QPushButton*> buttons_;
};

}  // namespace zorvex::app
