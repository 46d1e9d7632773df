#pragma once
// The ordered layer pointers of a chart window and the rules for giving them up: the window
// does not own what it is handed until it is asked to delete it, and one layer may sit in
// the list more than once.

#include <algorithm>
#include <cstddef>
#include <deque>
#include <unordered_set>

namespace charts {

template <class Layer> class LayerList {
public:
    LayerList() = default;
    LayerList(const LayerList&) = delete;
    LayerList& operator=(const LayerList&) = delete;

    bool Add(Layer* layer)
    {
        if (!layer) return false;
        items_.push_back(layer);
        return true;
    }

    // Without deletion only the first entry goes; with deletion every entry of the layer goes
    // before it is deleted, so that no dangling entry stays behind.
    bool Remove(Layer* layer, bool alsoDelete)
    {
        auto it = std::find(items_.begin(), items_.end(), layer);
        if (it == items_.end()) return false;
        if (alsoDelete) {
            items_.erase(std::remove(items_.begin(), items_.end(), layer), items_.end());
            delete layer;
        } else {
            items_.erase(it);
        }
        return true;
    }

    // Deletes each distinct layer once when asked to.
    void Clear(bool alsoDelete)
    {
        std::deque<Layer*> items;
        items.swap(items_);
        if (!alsoDelete) return;
        std::unordered_set<Layer*> deleted;
        for (Layer* layer : items)
            if (deleted.insert(layer).second) delete layer;
    }

    bool Contains(const Layer* layer) const { return std::find(items_.begin(), items_.end(), layer) != items_.end(); }

    Layer* At(int position) const
    {
        if (position < 0 || static_cast<std::size_t>(position) >= items_.size()) return nullptr;
        return items_[static_cast<std::size_t>(position)];
    }

    std::size_t Size() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::deque<Layer*> items_;
};

}  // namespace charts
