// Card detection, opening the card for save RAM, and the job that writes one
// image to the card.
#include <cstdint>
#include <string>

#include "common/file_io.h"
#include "link/card_link.h"
#include "rom/rom_image.h"

namespace zorvex {

namespace {

constexpr int64_t kSizeUnit = 0x8000;  // the smallest ROM; size code c is kSizeUnit << c
// Written after the end of an image up to the next whole 32 KiB: what erased
// flash holds anyway, and what UsedSizeCode then counts as unused.
constexpr uint8_t kPadFill = 0xFF;

}  // namespace

// The detection failure text, with a second line saying why the port could
// not be used when the failure was the port's and not the card's.
static std::string WithPortProblem(std::string text, const std::string& problem) {
    if (!problem.empty()) text += "\n" + problem;
    return text;
}

int CardLink::DetectCard() {
    CardOperation operation(*this);
    progressPercent = 0;
    cancelRequested = false;

    if (scanAllPorts && portCount > 1) {
        bool found = false;
        std::string problems;
        for (int n = 1; n <= portCount && n < static_cast<int>(portTable.size()); ++n) {
            if (portTable[static_cast<size_t>(n)] == 0) continue;  // a gap: never accessed
            SelectPort(n);
            EngageCard();
            const int r = ChooseTransferMode();
            ReleaseCard();
            if (r == 0) {
                found = true;
                break;
            }
            const std::string problem = PortProblem();
            if (!problem.empty()) problems += (problems.empty() ? "" : "\n") + problem;
        }
        if (!found) {
            messageText = WithPortProblem("Could not detect Ombra Card on any Port", problems);
            return -1;
        }
    }

    if (currentPortBase == 0) {
        // "Port 0" would name a port the machine does not have.
        if (portCount == 0) {
            messageText = WithPortProblem("Could not detect Ombra Card: no parallel port found",
                                          io_.AccessProblem(0));
            return -1;
        }
        messageText = Format("Could not detect Ombra Card on Port %d", currentPortIndex);
        return -1;
    }
    EngageCard();
    if (ChooseTransferMode() != 0) {
        ReleaseCard();
        messageText = WithPortProblem(
            Format("Could not detect Ombra Card on Port %d", currentPortIndex), PortProblem());
        return -1;
    }
    EngageCard();
    if (IdentifyFlash() != 0) {
        ReleaseCard();
        messageText = Format("Flash memory not present on Ombra Card on Port %d", currentPortIndex);
        return -1;
    }
    capacity = FindFlashChip(flashType)->capacity;
    return 0;  // left engaged for the caller
}

int CardLink::OpenCard() {
    if (DetectCard() != 0) return -1;
    return FindFlashChip(flashType)->saveBanks;
}

int CardLink::SendJob(const std::string& path) {
    // Every failure below leaves its own text; clearing first makes sure the
    // "Error" box can never show what an earlier job left behind.
    messageText.clear();
    CardOperation operation(*this);
    if (DetectCard() != 0) return -1;  // detection released the card itself
    const int r = SendRomFile(path);
    ReleaseCard();
    return r;
}

int CardLink::SendRomFile(const std::string& path) {
    // Loaded unpadded so that the size message names the file's own length;
    // padding follows below for plain files and archive members alike, so a
    // member whose length is no whole bank does not lose its last part.
    int32_t loaded = 0;
    RomImage image = LoadRomImage(path, loaded, LoadFromZip);
    if (!image) return -1;
    if (loaded > capacity) {
        messageText = Format("filesize error! (%x)", static_cast<unsigned>(loaded));
        return -1;
    }
    const int64_t padded = (int64_t{loaded} + kSizeUnit - 1) / kSizeUnit * kSizeUnit;
    image.bytes().resize(static_cast<size_t>(padded), kPadFill);

    int64_t length = padded;
    const uint8_t code = UsedSizeCode(image.data(), image.length());
    if ((kSizeUnit << code) < length) length = kSizeUnit << code;
    const int banks = static_cast<int>(length / kRomBankSize);
    // The image is released on every return; nothing may keep pointing into it.
    struct SourceReset {
        const uint8_t*& source;
        ~SourceReset() { source = nullptr; }
    } sourceReset{bankSource};

    if (flashType == Flash16M && EraseChip() != 0) {
        // The erase showed its "Warning" box; the "Error" box that follows
        // must still say what happened to this job.
        messageText =
            Format("Flash memory could not be erased on Ombra Card on Port %d", currentPortIndex);
        return -1;
    }

    for (int b = 0; b < banks; ++b) {
        if (cancelRequested) {
            messageText = "Transfer canceled";
            return -1;
        }
        progressPercent = static_cast<int8_t>(deepVerify ? (b * 50) / banks : (b * 100) / banks);
        bankSource = image.data() + static_cast<size_t>(b) * kRomBankSize;
        if (WriteBank(b) != 0) {
            messageText = Format("write cart error at bank=0x%x", b);
            return -1;
        }
    }
    if (deepVerify) {
        for (int b = 0; b < banks; ++b) {
            if (cancelRequested) {
                messageText = "Transfer canceled";
                return -1;
            }
            progressPercent = static_cast<int8_t>((banks * 50 + b * 50) / banks);
            bankSource = image.data() + static_cast<size_t>(b) * kRomBankSize;
            if (VerifyBank(b) != 0) return -1;  // "error at %lx!" is in messageText
        }
    }
    return 0;
}

}  // namespace zorvex
