// The real registry in place of the registry files: RegOpenKeyExW and RegQueryValueExW to read,
// RegCreateKeyExW and RegSetValueExW to write, all in UTF-16.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/registry_files.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {
namespace {

HKEY RootOf(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The key path without leading and trailing backslashes, which the registry calls refuse.
std::optional<std::wstring> KeyPath(std::string_view key) {
    std::optional<std::wstring> wide = ToWide(key);
    if (!wide) return std::nullopt;
    while (!wide->empty() && wide->back() == L'\\') wide->pop_back();
    size_t first = 0;
    while (first < wide->size() && (*wide)[first] == L'\\') ++first;
    return wide->substr(first);
}

// A REG_SZ or REG_EXPAND_SZ value (the latter expanded, as the shell's value reader does);
// values of other types are no strings.
std::optional<std::wstring> QueryString(HKEY key, const std::wstring& name) {
    std::vector<BYTE> data(256);
    DWORD type = 0;
    LSTATUS status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
        DWORD size = static_cast<DWORD>(data.size());
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            data.resize(size + sizeof(wchar_t));
        } else if (status == ERROR_SUCCESS) {
            data.resize(size);
        }
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    // The stored text need not be terminated, or may carry its terminator: take it up to the
    // first NUL within the data.
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    if (const size_t nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    if (type == REG_SZ) return text;
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return text;
    expanded.resize(written - 1);
    return expanded;
}

}  // namespace

std::string RegistryFilePath(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::optional<std::string> ReadRegistryString(RegistryHive hive, std::string_view key,
                                              std::string_view name) {
    const std::optional<std::wstring> key_path = KeyPath(key);
    const std::optional<std::wstring> value_name = ToWide(name);
    if (!key_path || !value_name) return std::nullopt;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(RootOf(hive), key_path->c_str(), 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::optional<std::wstring> text = QueryString(opened, *value_name);
    RegCloseKey(opened);
    if (!text) return std::nullopt;
    return FromWide(*text);
}

std::optional<std::string> ReadRegistryStringUserFirst(std::string_view key,
                                                       std::string_view name) {
    if (auto value = ReadRegistryString(RegistryHive::CurrentUser, key, name)) return value;
    return ReadRegistryString(RegistryHive::LocalMachine, key, name);
}

// The edits are collected and carried out by Commit, so that nothing is written before then.
struct RegistryEditor::State {
    struct Edit {
        std::wstring key;
        std::optional<std::wstring> name;  // nothing: only create the key
        std::wstring value;
    };
    std::vector<Edit> edits;
    bool valid = true;
};

RegistryEditor::RegistryEditor() : state_(new State) {}

RegistryEditor::~RegistryEditor() {
    delete state_;
}

void RegistryEditor::CreateKey(std::string_view key) {
    std::optional<std::wstring> path = KeyPath(key);
    if (!path) {
        state_->valid = false;
        return;
    }
    state_->edits.push_back({std::move(*path), std::nullopt, {}});
}

void RegistryEditor::SetString(std::string_view key, std::string_view name,
                               std::string_view value) {
    std::optional<std::wstring> path = KeyPath(key);
    std::optional<std::wstring> wide_name = ToWide(name);
    std::optional<std::wstring> wide_value = ToWide(value);
    if (!path || !wide_name || !wide_value) {
        state_->valid = false;
        return;
    }
    state_->edits.push_back({std::move(*path), std::move(*wide_name), std::move(*wide_value)});
}

bool RegistryEditor::Commit() {
    if (!state_->valid) return false;
    for (const State::Edit& edit : state_->edits) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, edit.key.c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return false;
        }
        LSTATUS status = ERROR_SUCCESS;
        if (edit.name) {
            const DWORD bytes = static_cast<DWORD>((edit.value.size() + 1) * sizeof(wchar_t));
            status = RegSetValueExW(key, edit.name->c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(edit.value.c_str()), bytes);
        }
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) return false;
    }
    state_->edits.clear();
    return true;
}

}  // namespace Tarn::Platform
