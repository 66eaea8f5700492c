#include "sim/card_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/flash_chip.h"

namespace zorvex::sim {

namespace {

constexpr unsigned long kHighestBase = 0xFFFF - 4;  // five registers must fit
constexpr size_t kMaxPorts = 8;                     // LPT1..LPT8

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool ParseBase(const std::string& text, uint16_t& base) {
    std::string digits = Lower(Trim(text));
    if (digits.rfind("0x", 0) == 0) digits = digits.substr(2);
    if (digits.empty() || digits.size() > 4) return false;
    unsigned long value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        value = value * 16 + static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(c))
                                                            ? c - '0'
                                                            : c - 'a' + 10);
    }
    if (value == 0 || value > kHighestBase) return false;
    base = static_cast<uint16_t>(value);
    return true;
}

bool ParseBases(const std::string& text, std::vector<uint16_t>& bases) {
    bases.clear();
    if (Trim(text).empty()) return true;  // a machine without ports
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        uint16_t base = 0;
        if (!ParseBase(item, base)) return false;
        bases.push_back(base);
    }
    return bases.size() <= kMaxPorts;
}

bool ParseSmallNumber(const std::string& text, int& value) {
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 2) return false;
    value = 0;
    for (char c : t) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

bool ParseChip(const std::string& text, uint8_t& chip) {
    const std::string t = Lower(Trim(text));
    if (t == "none") {
        chip = 0;
        return true;
    }
    // The table also takes a bare number; card.ini wants the "M".
    const ChipInfo* known = !t.empty() && t.back() == 'm' ? FindChipByName(t.c_str()) : nullptr;
    if (!known) return false;
    chip = known->code;
    return true;
}

const char* ChipName(uint8_t chip) {
    const ChipInfo* known = FindChip(chip);
    return known ? known->name : "none";
}

bool LoadCardConfig(const std::string& directory, CardConfig& config, std::string& messageText) {
    config = CardConfig{};
    const std::filesystem::path path = std::filesystem::path(directory) / kCardConfigFile;
    std::ifstream in(path);
    if (!in) return true;  // no file: one port at 0x378 with the card, EPP, 16-Mbit chip

    CardConfig parsed;
    std::string section, line;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        messageText = path.string() + ":" + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail("bad section line \"" + line + "\"");
            section = Lower(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected key=value, got \"" + line + "\"");
        const std::string key = Lower(Trim(line.substr(0, eq)));
        const std::string value = Trim(line.substr(eq + 1));
        if (section == "ports" && key == "bases") {
            if (!ParseBases(value, parsed.ports.bases)) {
                return fail("bases= needs up to 8 comma-separated hex port addresses, got \"" +
                            value + "\"");
            }
        } else if (section == "ports" && key == "cardport") {
            if (!ParseSmallNumber(value, parsed.ports.cardPort) || parsed.ports.cardPort > 8) {
                return fail("cardPort= needs an LPT number 0..8, got \"" + value + "\"");
            }
        } else if (section == "ports" && key == "epp") {
            if (value != "0" && value != "1")
                return fail("epp= needs 1 or 0, got \"" + value + "\"");
            parsed.ports.epp = value == "1";
        } else if (section == "card" && key == "chip") {
            if (!ParseChip(value, parsed.chip)) {
                return fail("chip= needs 4M, 16M, 64M or none, got \"" + value + "\"");
            }
        } else if (section == "card" && key == "realtime") {
            if (value != "0" && value != "1")
                return fail("realtime= needs 1 or 0, got \"" + value + "\"");
            parsed.realTime = value == "1";
        }
        // Other keys are left for other parts of the simulator.
    }
    if (parsed.ports.cardPort > static_cast<int>(parsed.ports.bases.size())) {
        lineNumber = 0;
        messageText = path.string() + ": cardPort=" + std::to_string(parsed.ports.cardPort) +
                      " names a port that bases= does not list";
        return false;
    }
    config = parsed;
    return true;
}

std::string FormatCardConfig(const CardConfig& config) {
    std::string text = "[ports]\nbases=";
    for (size_t i = 0; i < config.ports.bases.size(); ++i) {
        char base[16];
        std::snprintf(base, sizeof base, "%s0x%x", i ? "," : "", config.ports.bases[i]);
        text += base;
    }
    text += "\ncardPort=" + std::to_string(config.ports.cardPort);
    text += "\nepp=" + std::string(config.ports.epp ? "1" : "0");
    text += "\n\n[card]\nchip=" + std::string(ChipName(config.chip)) + "\n";
    if (config.realTime) text += "realtime=1\n";
    return text;
}

}  // namespace zorvex::sim
