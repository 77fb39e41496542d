// The node lists of an XML element: a vector in document order plus the capacity that the lists
// report, which grows in fixed steps and is what the writer's size estimate counts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace Tarn::Xml {

template <typename T, unsigned Initial, unsigned Step>
class XmlList {
public:
    using const_iterator = typename std::vector<T>::const_iterator;

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const T& operator[](size_t i) const { return items_[i]; }
    T& operator[](size_t i) { return items_[i]; }
    const T& front() const { return items_.front(); }
    T& front() { return items_.front(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

    // The storage itself may grow faster; only the reported figure follows the fixed steps.
    size_t capacity() const { return capacity_; }

    T& push_back(T item) {
        if (items_.size() >= capacity_) capacity_ += Step;
        items_.push_back(std::move(item));
        return items_.back();
    }
    void clear() { items_.clear(); }
    void Compact() {
        capacity_ = std::max<size_t>(items_.size(), 1);
        items_.shrink_to_fit();
    }

private:
    std::vector<T> items_;
    size_t capacity_ = Initial;
};

}  // namespace Tarn::Xml
