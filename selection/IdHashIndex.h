#pragma once

#include <QtGlobal>
#include <bit>
#include <cstddef>
#include <vector>

namespace varnex {

// A multimap from a hash to non-zero ids, kept in one flat array (open addressing, linear
// probing). Against a node-based map it takes about half the memory for a million ids, builds
// without one allocation per id, and is emptied in constant time: dropping the index of a
// million-row list must not hold up the window.
class IdHashIndex {
public:
    void clear() {
        slots_ = {};
        used_ = filled_ = 0;
    }
    void reserve(std::size_t count) {
        if (wanted(count) > slots_.size())
            rehash(wanted(count));
    }
    void add(std::size_t hash, quint64 id) {
        if (wanted(filled_ + 1) > slots_.size())
            rehash(wanted(used_ + 1));
        std::size_t at = hash & mask();
        while (slots_[at].id != Empty && slots_[at].id != Removed)
            at = (at + 1) & mask();
        if (slots_[at].id == Empty)
            ++filled_;
        slots_[at] = {hash, id};
        ++used_;
    }
    void remove(std::size_t hash, quint64 id) {
        if (slots_.empty())
            return;
        for (std::size_t at = hash & mask(); slots_[at].id != Empty; at = (at + 1) & mask()) {
            if (slots_[at].id == id && slots_[at].hash == hash) {
                slots_[at].id = Removed;
                --used_;
                return;
            }
        }
    }
    // Calls `found(id)` for each id added under `hash` until it returns true; true then.
    template <typename Found> bool anyOf(std::size_t hash, Found found) const {
        if (slots_.empty())
            return false;
        for (std::size_t at = hash & mask(); slots_[at].id != Empty; at = (at + 1) & mask()) {
            if (slots_[at].id != Removed && slots_[at].hash == hash && found(slots_[at].id))
                return true;
        }
        return false;
    }

private:
    static constexpr quint64 Empty = 0;
    static constexpr quint64 Removed = ~quint64(0);
    struct Slot {
        std::size_t hash = 0;
        quint64 id = Empty;
    };

    // Slots for `count` ids at a load of at most three quarters; a power of two.
    static std::size_t wanted(std::size_t count) {
        return std::bit_ceil(std::max<std::size_t>(16, count + count / 3 + 1));
    }
    std::size_t mask() const { return slots_.size() - 1; }
    // Removed slots are dropped on the way.
    void rehash(std::size_t size) {
        std::vector<Slot> old(size);
        old.swap(slots_);
        used_ = filled_ = 0;
        for (const Slot& slot : old) {
            if (slot.id == Empty || slot.id == Removed)
                continue;
            std::size_t at = slot.hash & mask();
            while (slots_[at].id != Empty)
                at = (at + 1) & mask();
            slots_[at] = slot;
            ++used_;
            ++filled_;
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;   // ids held
    std::size_t filled_ = 0; // slots ever taken since the last rehash: ids and removed marks
};

} // namespace varnex
