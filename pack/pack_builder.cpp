#include "pack/pack_builder.h"

#include <memory>

#include "common/file_io.h"
#include "pack/pack_temp_path.h"
#include "rom/rom_image.h"
#include "rom/write_cut_rom.h"

namespace zorvex {

namespace {

// Closes the progress window and restarts the watch timer on every way out.
class BuildSession {
  public:
    explicit BuildSession(PackBuildUi& ui) : ui_(ui) {
        if (ui_.stopWatchTimer) ui_.stopWatchTimer();
        ui_.progress.Open();
    }
    ~BuildSession() {
        ui_.progress.Close();
        if (ui_.startWatchTimer) ui_.startWatchTimer();
    }
    BuildSession(const BuildSession&) = delete;
    BuildSession& operator=(const BuildSession&) = delete;

  private:
    PackBuildUi& ui_;
};

// What was written before a member failed to load stays in the file.
void KeepPartial(OutputFile& file) {
    file.Commit();
}

}  // namespace

bool BuildPackFromFiles(const std::string& path, const std::vector<std::string>& members,
                        PackBuildUi& ui) {
    std::unique_ptr<OutputFile> file = OutputFile::Create(path);
    if (!file) {
        ui.messages.ShowMessage(Format("Can't create %s", path.c_str()), "Error");
        return false;
    }

    const int n = static_cast<int>(members.size());
    BuildSession session(ui);
    ui.progress.SetCaption("Building DIZavo");
    ui.progress.SetRange(0, n);
    ui.cancelRequested = false;

    for (int k = 0; k <= n; ++k) {
        ui.progress.PumpMessages();
        ui.progress.SetPos(k);
        if (ui.cancelRequested) {
            file->Discard();
            return false;
        }
        const std::string& memberPath =
            k == 0 ? std::string(kMenuProgramFile) : members[static_cast<size_t>(k - 1)];

        int32_t length = 0;
        std::string messageText;
        RomImage image = LoadRomImage(memberPath, length, LoadFromZip, messageText);
        if (!image) {
            ui.messages.ShowMessage(messageText, "Error");
            KeepPartial(*file);
            return false;
        }
        if (!WriteCutRom(image.data(), length, *file, path, ui.messages)) {
            // Too short: the file is still open and keeps what it has. A
            // failed write has already discarded it.
            if (length < kRomHeaderEnd) KeepPartial(*file);
            return false;
        }
    }

    if (!file->Commit()) {
        ShowLastError(ui.messages);
        ui.messages.ShowMessage(Format("Error Writing File %s", path.c_str()), "Error");
        return false;
    }
    return true;
}

bool BuildPack(const std::string& path, const RomListModel& pack, PackBuildUi& ui) {
    std::vector<std::string> members;
    members.reserve(static_cast<size_t>(pack.Count()));
    for (int row = 0; row < pack.Count(); ++row) members.push_back(pack.Row(row)[FieldFileName]);
    return BuildPackFromFiles(path, members, ui);
}

bool SendPack(const std::string& packTempPath, const RomListModel& pack, PackBuildUi& ui,
              const std::function<void(const std::string&)>& startTransferJob) {
    if (packTempPath.empty()) {
        ui.messages.ShowMessage("Temporary Path too long", "Error");
        return false;
    }
    // The private directory may have been removed (or tampered with) since
    // start-up; never build through anything planted there.
    if (!PackTempPathIsSafe(packTempPath)) {
        ui.messages.ShowMessage(Format("Can't create %s", packTempPath.c_str()), "Error");
        return false;
    }
    if (!BuildPack(packTempPath, pack, ui)) return false;
    if (startTransferJob) startTransferJob(packTempPath);
    return true;
}

FileRequest SavePackRequest() {
    FileRequest request;
    request.kind = FileRequest::Kind::Save;
    request.title = "Save DIZavo";
    request.filter = "Gameboy Roms (*.gb;*.gbc)|*.gb;*.gbc|All Files (*.*)|*.*||";
    return request;
}

}  // namespace zorvex
