// XMap: the library's ordered map from narrow text keys to values, behind a virtual interface.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Tarn::Container {

template <typename Value>
class XMap {
public:
    virtual ~XMap() = default;

    virtual void Set(const std::string& key, Value value) { entries_[key] = value; }

    // False when the key is absent; `value` is then left untouched.
    virtual bool Get(const std::string& key, Value& value) const {
        const auto it = entries_.find(key);
        if (it == entries_.end()) return false;
        value = it->second;
        return true;
    }

    virtual bool Contains(const std::string& key) const { return entries_.count(key) != 0; }

    // Enters the key with a zero value unless it is present.
    virtual void Ensure(const std::string& key) { entries_.try_emplace(key, Value{}); }

    virtual void SetAll(Value value) {
        for (auto& entry : entries_) entry.second = value;
    }

    // The first key in key order whose value equals `value` exactly (NaN never does).
    virtual bool FindKey(Value value, std::string& key) const {
        for (const auto& entry : entries_) {
            if (entry.second == value) {
                key = entry.first;
                return true;
            }
        }
        return false;
    }

    // Appends every key whose value equals `value`; true when `keys` is not empty afterwards.
    virtual bool FindKeys(Value value, std::vector<std::string>& keys) const {
        for (const auto& entry : entries_) {
            if (entry.second == value) keys.push_back(entry.first);
        }
        return !keys.empty();
    }

    virtual void Clear() { entries_.clear(); }

    virtual int64_t Count() const { return static_cast<int64_t>(entries_.size()); }

private:
    std::map<std::string, Value> entries_;
};

}  // namespace Tarn::Container
