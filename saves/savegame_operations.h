#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "common/file_requester.h"
#include "common/message_sink.h"
#include "common/progress_sink.h"
#include "link/card_link.h"
#include "saves/save_ram_move.h"
#include "saves/slot_list.h"

namespace zorvex {

// The operations of the Savegame Manager, without any widget: they move save
// RAM between the card, the owner's save-RAM image and raw files, and write
// what they did into the slot list. Everything runs on the user-interface
// thread; the card loops pump the progress window between slots so that its
// Cancel can set `cancel`.
//
// Each operation returns true when it ran to the end without showing a
// message and without being cancelled.
class SavegameOperations {
  public:
    SavegameOperations(CardLink& link, SaveRamImage& image, SlotList& slots, MessageSink& messages,
                       FileRequester& requester, RequesterDirectories& directories,
                       ProgressSink& progress, std::atomic<bool>& cancel);

    bool SramToPc();   // card, all slots -> image
    bool PcToSram();   // image -> card, all slots
    bool SlotsToPc();  // card -> image, selected slots
    bool PcToSlots();  // image -> card, selected slots
    bool LoadSram();   // file -> image from slot 0
    bool SaveSram();   // whole image -> file
    bool LoadSlots();  // file -> image from the selected slot
    bool SaveSlots();  // selected consecutive slots -> file
    bool ScanRomCommand();

    // True while an operation runs. A request arriving then (through the
    // messages pumped by a card loop) is refused, so that no second card or
    // file operation starts inside a running one.
    bool busy() const { return busy_; }

    // Receives the line that says what a card operation did ("4 slots read
    // from the card on LPT1 (EPP, 4M)"), or how it ended.
    void SetResultSink(std::function<void(const std::string&)> sink) {
        resultSink_ = std::move(sink);
    }

  private:
    bool TransferAll(SaveRamWay way);
    bool TransferSelected(SaveRamWay way);
    // The card could not be opened: the box, and the result line.
    void NotOpened(const std::string& text);
    bool LoadIntoImage(const char* title, int startSlot);
    bool SaveFromImage(const char* title, int startSlot, int slotCount);
    std::string AskPath(FileRequest::Kind kind, const char* title);
    bool NameRows(int first, int count, const std::string& path);
    // Rows read from the card no longer hold a file's data.
    void ForgetFileNames(const std::vector<int>& rows);
    void Result(const std::string& text);
    void Error(const std::string& text);

    CardLink& link_;
    SaveRamImage& image_;
    SlotList& slots_;
    MessageSink& messages_;
    FileRequester& requester_;
    RequesterDirectories& directories_;
    ProgressSink& progress_;
    std::atomic<bool>& cancel_;
    bool busy_ = false;
    std::function<void(const std::string&)> resultSink_;
};

}  // namespace zorvex
