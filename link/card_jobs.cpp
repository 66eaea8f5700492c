// The send job: one image to the card, after detection and a check that it
// fits.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

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

// "4 save banks", "1 save bank"
std::string SaveBanksText(int banks) {
    return Format("%d save bank%s", banks, banks == 1 ? "" : "s");
}

// Where a send job is, for the monitor when there is one.
class JobSteps {
  public:
    explicit JobSteps(JobMonitor* monitor) : monitor_(monitor) {}
    void Start() {
        if (!monitor_) return;
        monitor_->phase = JobPhase::Idle;
        monitor_->bank = 0;
        monitor_->banks = 0;
    }
    bool Cancelled() const { return monitor_ && monitor_->cancel; }
    void Banks(int banks, const SendOptions& options, uint32_t typicalEraseMs) {
        if (!monitor_) return;
        monitor_->banks = banks;
        monitor_->verify = options.deepVerify;
        monitor_->compare = options.skipUnchanged;
        monitor_->typicalEraseMs = typicalEraseMs;
    }
    void Phase(JobPhase phase) {
        if (!monitor_) return;
        if (phase == JobPhase::Erase) monitor_->eraseWaitedMs = 0;
        monitor_->phase = phase;
    }
    void Bank(int bank, int percent) {
        if (!monitor_) return;
        monitor_->percent = static_cast<int8_t>(percent);
        monitor_->bank = bank;
    }

  private:
    JobMonitor* monitor_;
};

// What the card holds decides, bank by bank, what a send that skips
// unchanged banks leaves out.
struct Plan {
    bool eraseChip = false;
    std::vector<bool> unchanged;
    std::vector<BankWrite> how;
};

// The plain send: the chip erase where the chip has one, every bank written.
Plan FullPlan(const FlashChipSpec& chip, int banks) {
    return Plan{chip.typicalChipEraseMs != 0, std::vector<bool>(static_cast<size_t>(banks)),
                std::vector<BankWrite>(static_cast<size_t>(banks))};
}

// Compares `card` (the image's range as read) with `image`, by the chip's
// erase unit: a 64M block, the whole 16M chip, or a 4M page.
Plan ComparedPlan(const FlashChipSpec& chip, const uint8_t* image, const uint8_t* card, int banks) {
    Plan plan = FullPlan(chip, banks);
    auto span = [](int first, int count) {
        return std::pair<size_t, size_t>(static_cast<size_t>(first) * kRomBankSize,
                                         static_cast<size_t>(count) * kRomBankSize);
    };
    auto same = [&](int first, int count) {
        const auto [at, size] = span(first, count);
        return std::memcmp(card + at, image + at, size) == 0;
    };
    auto erased = [&](int first, int count) {
        const auto [at, size] = span(first, count);
        return AllErased(card + at, static_cast<int>(size));
    };
    auto keep = [&](int first, int count) {
        for (int b = first; b < first + count; ++b) plan.unchanged[static_cast<size_t>(b)] = true;
    };
    if (chip.eraseBlock > 0) {
        const int perBlock = chip.eraseBlock / kRomBankSize;
        for (int first = 0; first < banks; first += perBlock) {
            const int count = std::min(perBlock, banks - first);
            if (same(first, count)) {
                keep(first, count);
                continue;
            }
            // A block that reads 0xFF throughout is as good as erased: a byte
            // reading 0xFF can still be programmed to any value.
            const bool eraseIt = !erased(first, count);
            for (int b = first; b < first + count; ++b)
                plan.how[static_cast<size_t>(b)] = BankWrite{eraseIt, true, nullptr};
        }
    } else if (chip.typicalChipEraseMs != 0) {
        if (same(0, banks)) {
            plan.eraseChip = false;
            keep(0, banks);
            return plan;
        }
        plan.eraseChip = !erased(0, banks);
        for (int b = 0; b < banks; ++b) {
            // Without an erase, a bank the card already holds stays as it is.
            if (!plan.eraseChip && same(b, 1)) keep(b, 1);
            plan.how[static_cast<size_t>(b)].skipBlankUnits = true;
        }
    } else {
        for (int b = 0; b < banks; ++b) {
            if (same(b, 1))
                keep(b, 1);
            else
                plan.how[static_cast<size_t>(b)].onCard = card + span(b, 1).first;
        }
    }
    return plan;
}

// Erases (when the plan says so), writes and optionally verifies `banks`
// banks of `image`, after reading the card first when the send skips
// unchanged banks: 0, or -1 with the reason in job.text.
int Transfer(CardLink& link, const FlashChipSpec& chip, const uint8_t* image, int banks,
             const SendOptions& options, const std::string& eraseFailed, JobSteps& steps,
             JobMonitor* monitor, SendResult& job) {
    SendReport& done = job.report;
    done.banks = banks;
    const bool verify = options.deepVerify;
    const bool compare = options.skipUnchanged;
    // The bar runs once over the image per pass: compare, write, verify.
    const int passes = (compare ? 1 : 0) + 1 + (verify ? 1 : 0);
    auto percent = [&](int pass, int b) { return ((pass * banks + b) * 100) / (passes * banks); };
    auto bank = [&](int b) { return image + static_cast<size_t>(b) * kRomBankSize; };

    Plan plan = FullPlan(chip, banks);
    std::vector<uint8_t> card;
    if (compare) {
        steps.Phase(JobPhase::Compare);
        card.resize(static_cast<size_t>(banks) * kRomBankSize);
        for (int b = 0; b < banks; ++b) {
            if (steps.Cancelled()) {
                job.text = "Transfer canceled";
                return -1;
            }
            steps.Bank(b, percent(0, b));
            link.ReadRomPages(b, card.data() + static_cast<size_t>(b) * kRomBankSize,
                              kRomBankSize / 256);
        }
        plan = ComparedPlan(chip, image, card.data(), banks);
        done.compared = true;
    }
    const int writePass = compare ? 1 : 0;

    if (plan.eraseChip) {
        steps.Phase(JobPhase::Erase);
        done.cardChanged = true;
        if (link.EraseChip(monitor) != 0) {
            // The erase showed its "Warning" box; the "Error" box that follows
            // must still say what happened to this job.
            job.text = eraseFailed;
            return -1;
        }
    }
    steps.Phase(JobPhase::Write);
    for (int b = 0; b < banks; ++b) {
        if (steps.Cancelled()) {
            job.text = "Transfer canceled";
            return -1;
        }
        steps.Bank(b, percent(writePass, b));
        if (plan.unchanged[static_cast<size_t>(b)]) {
            ++done.banksUnchanged;
            continue;
        }
        done.cardChanged = true;
        if (link.WriteBank(b, bank(b), monitor, plan.how[static_cast<size_t>(b)]) != 0) {
            job.text = Format("write cart error at bank=0x%x", b);
            return -1;
        }
    }
    done.writeComplete = true;
    if (!verify) return 0;
    steps.Phase(JobPhase::Verify);
    for (int b = 0; b < banks; ++b) {
        if (steps.Cancelled()) {
            job.text = "Transfer canceled";
            return -1;
        }
        steps.Bank(b, percent(writePass + 1, b));
        // A bank the card already held was compared byte for byte.
        if (plan.unchanged[static_cast<size_t>(b)]) continue;
        if (link.VerifyBank(b, bank(b), &job.text) != 0) return -1;  // "error at %lx!"
    }
    done.verified = true;
    return 0;
}

}  // namespace

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

SendImage LoadSendImage(const std::string& path, const SendNeeds& needs) {
    SendImage loaded;
    // Loaded unpadded so that the size message names the file's own length;
    // the job pads plain files and archive members alike, so a member whose
    // length is no whole bank does not lose its last part.
    loaded.image = LoadRomImage(path, loaded.length, LoadFromZip, loaded.loadError);
    loaded.name = needs.name;
    if (loaded.name.empty())
        loaded.name = loaded.image ? GameName(loaded.image, path) : std::string();
    loaded.saveBanks = needs.saveBanks;
    return loaded;
}

std::string UnchangedBanksText(const SendReport& report) {
    return Format("%d of %d banks written, %d unchanged", report.banks - report.banksUnchanged,
                  report.banks, report.banksUnchanged);
}

std::string SendResultText(const SendResult& job, double seconds) {
    const SendReport& report = job.report;
    const std::string& messageText = job.text;
    const std::string name = report.name.empty() ? std::string("The image") : report.name;
    if (job.result == 0) {
        std::string text = name + (report.verified ? " written and verified on " : " written on ") +
                           report.card + " in " + DurationText(seconds);
        if (report.compared) text += ": " + UnchangedBanksText(report);
        return text;
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

SendResult CardLink::SendJob(const SendImage& source, const SendOptions& options,
                             JobMonitor* monitor) {
    // Every failure below leaves its own text, so the "Error" box can never
    // show what an earlier job left behind.
    SendResult job;
    SendReport& done = job.report;
    JobSteps steps(monitor);
    steps.Start();
    CardOperation operation(bus_);
    Detection detection = DetectCard(monitor);
    if (detection.result != 0) {  // detection released the card itself
        job.text = std::move(detection.text);
        return job;
    }
    const CardInfo card = detection.card;
    done.card = card.Text();
    if (!source.image) {
        job.text = source.loadError;
        ReleaseCard();
        return job;
    }
    done.name = source.name;

    // Nothing is erased before the image is known to fit: the owner learns what
    // it needs and what the card has, and the card keeps its game.
    const FlashChipSpec& chip = *card.chipSpec();
    const int32_t loaded = source.length;
    const std::string where = Format("the card on LPT%d", card.port);
    const std::string chipText =
        Format(" (%dM chip). Nothing was written.", static_cast<int>(chip.type));
    if (source.saveBanks >= 0 && (loaded > chip.capacity || source.saveBanks > chip.saveBanks)) {
        job.text = done.name + " needs " + SizeText(loaded) + " and " +
                   SaveBanksText(source.saveBanks) + ", but " + where + " holds " +
                   SizeText(chip.capacity) + " and " + SaveBanksText(chip.saveBanks) + chipText;
        ReleaseCard();
        return job;
    }
    if (loaded > chip.capacity) {
        job.text = Format("filesize error! (%x)", static_cast<unsigned>(loaded)) + "\n" +
                   done.name + " needs " + SizeText(loaded) + ", but " + where + " holds " +
                   SizeText(chip.capacity) + chipText;
        ReleaseCard();
        return job;
    }
    const int64_t padded = (int64_t{loaded} + kSizeUnit - 1) / kSizeUnit * kSizeUnit;
    std::vector<uint8_t> image(
        source.image.data(),
        source.image.data() + std::min<int64_t>(loaded, source.image.length()));
    image.resize(static_cast<size_t>(padded), kPadFill);

    int64_t length = padded;
    const uint8_t code = UsedSizeCode(image.data(), static_cast<int32_t>(image.size()));
    if ((kSizeUnit << code) < length) length = kSizeUnit << code;
    const int banks = static_cast<int>(length / kRomBankSize);
    done.bytes = int64_t{banks} * kRomBankSize;
    steps.Banks(banks, options, chip.typicalChipEraseMs);
    const std::string eraseFailed =
        Format("Flash memory could not be erased on Ombra Card on Port %d", portIndex_);
    job.result =
        Transfer(*this, chip, image.data(), banks, options, eraseFailed, steps, monitor, job);
    ReleaseCard();
    return job;  // the monitor stays where the job ended, for a last look
}

}  // namespace zorvex
