// Card detection, opening the card for save RAM, and the job that writes one
// image to the card.
#include <algorithm>
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
constexpr int kTitleOffset = 0x134;
constexpr int kTitleLength = 16;

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

// The LPT number of the port in use. With the "all ports" choice and a single
// port, currentPortIndex stays 0 while the port itself is selected.
static int PortNumber(const CardLink& link) {
    if (link.currentPortIndex != 0) return link.currentPortIndex;
    for (size_t n = 1; n < link.portTable.size(); ++n)
        if (link.portTable[n] != 0 && link.portTable[n] == link.currentPortBase)
            return static_cast<int>(n);
    return 0;
}

std::string CardLink::CardText() const {
    const FlashChipSpec* chip = FindFlashChip(flashType);
    return Format("LPT%d (%s, %dM)", PortNumber(*this), sppMode ? "SPP" : "EPP",
                  chip ? static_cast<int>(chip->type) : 0);
}

TransferProgress CardLink::JobProgress() const {
    TransferProgress progress;
    const int64_t banks = jobBanks;
    const int64_t bank = jobBank;
    const int64_t bytes = banks * kRomBankSize;
    progress.banks = static_cast<int>(banks);
    progress.bank = static_cast<int>(bank);
    progress.totalWork = deepVerify ? 2 * bytes : bytes;
    switch (jobPhase.load()) {
        case JobPhase::Idle:
            break;
        case JobPhase::Erase: {
            const FlashChipSpec* chip = FindFlashChip(flashType);
            progress.phase = "erase";
            progress.total = chip ? chip->typicalChipEraseMs : 0;
            // An erase that runs past its typical time stays just short of done.
            progress.done = std::min<int64_t>(eraseWaitedMs, progress.total * 99 / 100);
            break;
        }
        case JobPhase::Write:
            progress.phase = "write";
            progress.done = progress.workDone = bank * kRomBankSize;
            progress.total = bytes;
            break;
        case JobPhase::Verify:
            progress.phase = "verify";
            progress.done = bank * kRomBankSize;
            progress.workDone = bytes + progress.done;
            progress.total = bytes;
            break;
    }
    return progress;
}

int CardLink::SendJob(const std::string& path, const SendNeeds& needs, SendReport* report) {
    // Every failure below leaves its own text; clearing first makes sure the
    // "Error" box can never show what an earlier job left behind.
    messageText.clear();
    jobPhase = JobPhase::Idle;
    jobBank = 0;
    jobBanks = 0;
    SendReport ignored;
    SendReport& done = report ? *report : ignored;
    done = SendReport{};
    CardOperation operation(*this);
    if (DetectCard() != 0) return -1;  // detection released the card itself
    const int r = SendRomFile(path, needs, &done);
    ReleaseCard();
    return r;  // the job's progress stays where it ended, for a last look
}

// The title of the image's header, printable characters only, or the file's
// name when the title is empty: the name messages and result lines give a game.
std::string GameName(const RomImage& image, const std::string& path) {
    std::string name;
    if (image.length() >= kTitleOffset + kTitleLength) {
        for (int i = 0; i < kTitleLength; ++i) {
            uint8_t c = image.data()[kTitleOffset + i];
            if (i == kTitleLength - 1) c &= 0x7F;  // the colour flag of long titles
            if (c == 0) break;
            name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : ' ';
        }
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    if (!name.empty()) return name;
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SendResultText(const SendReport& report, int result, const std::string& messageText,
                           double seconds) {
    const std::string name = report.name.empty() ? std::string("The image") : report.name;
    if (result == 0) {
        return name + (report.verified ? " written and verified on " : " written on ") +
               report.card + " in " + DurationText(seconds);
    }
    const std::string reason = messageText.substr(0, messageText.find('\n'));
    const bool cancelled = reason == "Transfer canceled";
    if (!report.cardChanged) {
        if (cancelled) return name + " was not sent (cancelled); the card was not changed";
        // A refusal's last line says what the image needs and what the card has.
        const std::string why = messageText.substr(messageText.find_last_of('\n') + 1);
        if (why.rfind(name + " needs ", 0) == 0) return "Not sent: " + why;
        return name + " was not sent: " + reason;
    }
    if (report.writeComplete && cancelled)
        return name + " written on " + report.card + "; the verify was cancelled";
    return name + (cancelled ? " was cancelled" : " failed: " + reason) + ". The card on " +
           report.card + " now holds an incomplete game: send it again before playing it.";
}

// "4 save banks", "1 save bank"
static std::string SaveBanksText(int banks) {
    return Format("%d save bank%s", banks, banks == 1 ? "" : "s");
}

int CardLink::SendRomFile(const std::string& path, const SendNeeds& needs, SendReport* report) {
    SendReport ignored;
    SendReport& done = report ? *report : ignored;
    done.card = CardText();
    // Loaded unpadded so that the size message names the file's own length;
    // padding follows below for plain files and archive members alike, so a
    // member whose length is no whole bank does not lose its last part.
    int32_t loaded = 0;
    RomImage image = LoadRomImage(path, loaded, LoadFromZip);
    if (!image) return -1;
    done.name = needs.name.empty() ? GameName(image, path) : needs.name;

    // Nothing is erased before the image is known to fit: the owner learns what
    // it needs and what the card has, and the card keeps its game.
    const FlashChipSpec* chip = FindFlashChip(flashType);
    const int cardBanks = chip ? chip->saveBanks : 0;
    const std::string where = Format("the card on LPT%d", PortNumber(*this));
    if (needs.saveBanks >= 0 && (loaded > capacity || needs.saveBanks > cardBanks)) {
        messageText =
            done.name + " needs " + SizeText(loaded) + " and " + SaveBanksText(needs.saveBanks) +
            ", but " + where + " holds " + SizeText(capacity) + " and " + SaveBanksText(cardBanks) +
            Format(" (%dM chip). Nothing was written.", chip ? static_cast<int>(chip->type) : 0);
        return -1;
    }
    if (loaded > capacity) {
        messageText =
            Format("filesize error! (%x)", static_cast<unsigned>(loaded)) + "\n" + done.name +
            " needs " + SizeText(loaded) + ", but " + where + " holds " + SizeText(capacity) +
            Format(" (%dM chip). Nothing was written.", chip ? static_cast<int>(chip->type) : 0);
        return -1;
    }
    const int64_t padded = (int64_t{loaded} + kSizeUnit - 1) / kSizeUnit * kSizeUnit;
    image.bytes().resize(static_cast<size_t>(padded), kPadFill);

    int64_t length = padded;
    const uint8_t code = UsedSizeCode(image.data(), image.length());
    if ((kSizeUnit << code) < length) length = kSizeUnit << code;
    const int banks = static_cast<int>(length / kRomBankSize);
    done.bytes = int64_t{banks} * kRomBankSize;
    jobBanks = banks;
    // The image is released on every return; nothing may keep pointing into it.
    struct SourceReset {
        const uint8_t*& source;
        ~SourceReset() { source = nullptr; }
    } sourceReset{bankSource};

    if (flashType == Flash16M) {
        eraseWaitedMs = 0;
        jobPhase = JobPhase::Erase;
        done.cardChanged = true;
    }
    if (flashType == Flash16M && EraseChip() != 0) {
        // The erase showed its "Warning" box; the "Error" box that follows
        // must still say what happened to this job.
        messageText =
            Format("Flash memory could not be erased on Ombra Card on Port %d", currentPortIndex);
        return -1;
    }

    jobPhase = JobPhase::Write;
    for (int b = 0; b < banks; ++b) {
        if (cancelRequested) {
            messageText = "Transfer canceled";
            return -1;
        }
        progressPercent = static_cast<int8_t>(deepVerify ? (b * 50) / banks : (b * 100) / banks);
        jobBank = b;
        done.cardChanged = true;
        bankSource = image.data() + static_cast<size_t>(b) * kRomBankSize;
        if (WriteBank(b) != 0) {
            messageText = Format("write cart error at bank=0x%x", b);
            return -1;
        }
    }
    done.writeComplete = true;
    if (deepVerify) {
        jobPhase = JobPhase::Verify;
        for (int b = 0; b < banks; ++b) {
            if (cancelRequested) {
                messageText = "Transfer canceled";
                return -1;
            }
            progressPercent = static_cast<int8_t>((banks * 50 + b * 50) / banks);
            jobBank = b;
            bankSource = image.data() + static_cast<size_t>(b) * kRomBankSize;
            if (VerifyBank(b) != 0) return -1;  // "error at %lx!" is in messageText
        }
        done.verified = true;
    }
    return 0;
}

}  // namespace zorvex
