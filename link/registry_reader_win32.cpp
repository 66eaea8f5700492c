#ifdef _WIN32

#include "link/registry_reader_win32.h"

#include <windows.h>

#include "link/registry_port_source.h"

namespace zorvex {

namespace {

constexpr REGSAM kAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;  // 9
constexpr DWORD kNameBuffer = 260;

HKEY Handle(RegistryReader::Key key) {
    return reinterpret_cast<HKEY>(key);
}

// Owns the registry reader so that the source can keep a reference to it.
class WindowsPortSource final : public PortSource {
  public:
    WindowsPortSource() : source_(reader_, RunningOnNtPlatform()) {}
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override {
        source_.Discover(table, count);
    }
    bool IsNtPlatform() const override { return source_.IsNtPlatform(); }

  private:
    mutable Win32RegistryReader reader_;
    RegistryPortSource source_;
};

}  // namespace

bool Win32RegistryReader::Open(Root root, const std::string& path, Key& key) {
    HKEY base = root == DynData ? HKEY_DYN_DATA : HKEY_LOCAL_MACHINE;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, path.c_str(), 0, kAccess, &opened) != ERROR_SUCCESS) return false;
    key = reinterpret_cast<Key>(opened);
    return true;
}

void Win32RegistryReader::Close(Key key) {
    RegCloseKey(Handle(key));
}

bool Win32RegistryReader::EnumKey(Key key, uint32_t index, std::string& name) {
    char buffer[kNameBuffer];
    DWORD size = kNameBuffer;
    if (RegEnumKeyExA(Handle(key), index, buffer, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    name.assign(buffer, size);
    return true;
}

bool Win32RegistryReader::EnumValue(Key key, uint32_t index, std::string& name) {
    char buffer[kNameBuffer];
    DWORD size = kNameBuffer;
    if (RegEnumValueA(Handle(key), index, buffer, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    name.assign(buffer, size);
    return true;
}

bool Win32RegistryReader::QueryValue(Key key, const std::string& name, uint32_t& type,
                                     std::vector<uint8_t>& data) {
    DWORD valueType = 0;
    DWORD size = 0;
    if (RegQueryValueExA(Handle(key), name.c_str(), nullptr, &valueType, nullptr, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    data.assign(size, 0);
    if (size != 0 && RegQueryValueExA(Handle(key), name.c_str(), nullptr, &valueType, data.data(),
                                      &size) != ERROR_SUCCESS) {
        return false;
    }
    data.resize(size);
    type = valueType;
    return true;
}

bool RunningOnNtPlatform() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);  // 148
    if (!GetVersionExA(&info)) return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::unique_ptr<PortSource> MakeWindowsPortSource() {
    return std::make_unique<WindowsPortSource>();
}

}  // namespace zorvex

#endif  // _WIN32
