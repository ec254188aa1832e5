#include "NameOrder.h"

#include "PosixFileSystem.h"
#include "Text.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace varnex {

namespace {

// One name of a list being sorted without regard to letter case.
struct CaseBlindKey {
    // The first code units of the folded name past the prefix that all names share, packed
    // big-endian, so that comparing two numbers settles most comparisons: eight units of eight
    // bits when every name is plain ASCII, else four of sixteen. Zeros past the end of the name
    // sort first (NUL is never in a name).
    quint64 head;
    // The name's code units: the name itself when it is plain ASCII, else its case-folded
    // copy. Either way folding ASCII capitals while comparing gives the folded name.
    const char16_t* units;
    quint32 length;
    quint32 index; // the name's position among those sorted
};

// Without a branch: most calls build sort keys, one unit after another.
char16_t foldAscii(char16_t unit) {
    return char16_t(unit | (char16_t(unit - u'A') < 26 ? u'a' - u'A' : 0));
}

// Sorts `keys` by head, stably: a radix sort, least significant byte first, that skips each
// byte every head has alike.
void sortByHead(std::vector<CaseBlindKey>& keys, const ListingPause& pause) {
    const size_t n = keys.size();
    std::array<std::array<size_t, 256>, 8> counts{};
    for (size_t i = 0; i < n; ++i) {
        for (size_t byte = 0; byte < 8; ++byte)
            ++counts[byte][(keys[i].head >> (8 * byte)) & 0xFF];
        pauseAfter(pause, qint64(i + 1));
    }
    std::vector<CaseBlindKey> sorted;
    for (size_t byte = 0; byte < 8; ++byte) {
        std::array<size_t, 256>& at = counts[byte];
        if (std::find(at.begin(), at.end(), n) != at.end())
            continue; // one value in every head: this pass would change nothing
        size_t start = 0;
        for (size_t& count : at)
            start += std::exchange(count, start);
        sorted.resize(n);
        for (size_t i = 0; i < n; ++i) {
            sorted[at[(keys[i].head >> (8 * byte)) & 0xFF]++] = keys[i];
            pauseAfter(pause, qint64(i + 1));
        }
        keys.swap(sorted);
    }
}

// Sorts keys[begin, end) by `less`. Without a pause, one sort; with one, sorted runs merged
// step by step, pausing between.
template <typename Less>
void sortRange(std::vector<CaseBlindKey>& keys, size_t begin, size_t end, const Less& less,
               const ListingPause& pause) {
    const auto at = [&](size_t i) {
        return keys.begin() + qsizetype(i);
    };
    const size_t n = end - begin;
    const size_t Run = pause ? 4096 : std::max<size_t>(n, 1);
    if (n <= Run) {
        std::sort(at(begin), at(end), less);
        return;
    }
    for (size_t first = begin; first < end; first += Run) {
        std::sort(at(first), at(std::min(first + Run, end)), less);
        pause();
    }
    std::vector<CaseBlindKey> part(at(begin), at(end));
    std::vector<CaseBlindKey> merged(n);
    for (size_t width = Run; width < n; width *= 2) {
        for (size_t first = 0; first < n; first += 2 * width) {
            const size_t middle = std::min(first + width, n);
            const size_t last = std::min(first + 2 * width, n);
            // Merged by hand so that the last passes, each one merge of up to all the names,
            // pause as often as the first ones.
            size_t left = first, right = middle, out = first;
            while (left < middle && right < last) {
                merged[out++] = less(part[right], part[left]) ? part[right++] : part[left++];
                pauseAfter(pause, qint64(out));
            }
            std::copy(part.begin() + qsizetype(left), part.begin() + qsizetype(middle),
                      merged.begin() + qsizetype(out));
            out += middle - left;
            std::copy(part.begin() + qsizetype(right), part.begin() + qsizetype(last),
                      merged.begin() + qsizetype(out));
            pause();
        }
        part.swap(merged);
    }
    std::copy(part.begin(), part.end(), at(begin));
}

} // namespace

QList<qsizetype> nameOrder(qsizetype count, const std::function<QStringView(qsizetype)>& nameAt,
                           const ListingPause& pause) {
    // Each name is folded once, not on every comparison, and only when it is not plain ASCII.
    // The folded copies keep their texts in place when the vector grows.
    std::vector<QString> copies;
    std::vector<CaseBlindKey> keys;
    keys.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const QStringView name = nameAt(i);
        const bool ascii = isPlainAscii(name);
        QStringView units = name;
        if (!ascii) {
            copies.push_back(name.toString().toCaseFolded());
            units = copies.back();
        }
        keys.push_back({0, units.utf16(), quint32(units.size()), quint32(i)});
        pauseAfter(pause, qint64(keys.size()));
    }

    // Names that are not plain ASCII have folded copies; without any, every unit fits 7 bits.
    const bool allAscii = copies.empty();
    const quint32 headBits = allAscii ? 8 : 16;
    const quint32 headUnits = 64 / headBits;

    // The folded prefix that every name shares.
    quint32 shared = keys.empty() ? 0 : keys.front().length;
    const char16_t* first = keys.empty() ? nullptr : keys.front().units;
    for (size_t i = 0; i < keys.size(); ++i) {
        const char16_t* units = keys[i].units;
        quint32 same = 0;
        const quint32 limit = std::min(shared, keys[i].length);
        // Names that share a prefix nearly always spell it alike: folding waits for a unit
        // that differs.
        while (same < limit &&
               (units[same] == first[same] || foldAscii(units[same]) == foldAscii(first[same])))
            ++same;
        shared = same;
        pauseAfter(pause, qint64(i + 1));
    }
    // Every name is at least `shared` units long; the head's units past a name's end are zeros.
    for (size_t i = 0; i < keys.size(); ++i) {
        CaseBlindKey& key = keys[i];
        const quint32 end = std::min(key.length, shared + headUnits);
        quint64 head = 0;
        for (quint32 at = shared; at < end; ++at)
            head = (head << headBits) | foldAscii(key.units[at]);
        const quint32 missing = shared + headUnits - end;
        key.head = missing == headUnits ? 0 : head << (headBits * missing);
        pauseAfter(pause, qint64(i + 1));
    }

    const auto less = [&](const CaseBlindKey& a, const CaseBlindKey& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const quint32 common = std::min(a.length, b.length);
        for (quint32 at = std::min(shared + headUnits, common); at < common; ++at) {
            const char16_t x = foldAscii(a.units[at]);
            const char16_t y = foldAscii(b.units[at]);
            if (x != y)
                return x < y;
        }
        if (a.length != b.length)
            return a.length < b.length;
        // Names equal but for letter case: their bytes on disk decide, so the order never
        // depends on the order the folder listed them in.
        return encodeFileName(nameAt(a.index).toString()) <
               encodeFileName(nameAt(b.index).toString());
    };

    // First by head alone, with a radix sort, which takes a few passes over the names whatever
    // their number; then each run of equal heads by comparison.
    sortByHead(keys, pause);
    for (size_t begin = 0; begin < keys.size();) {
        size_t end = begin + 1;
        while (end < keys.size() && keys[end].head == keys[begin].head)
            ++end;
        if (end - begin > 1)
            sortRange(keys, begin, end, less, pause);
        // A pause after every 4,096 names, however the runs fall.
        if (pause && begin / 4096 != end / 4096)
            pause();
        begin = end;
    }

    QList<qsizetype> order;
    order.reserve(qsizetype(keys.size()));
    for (const CaseBlindKey& key : keys) {
        order.append(key.index);
        pauseAfter(pause, order.size());
    }
    return order;
}

} // namespace varnex
