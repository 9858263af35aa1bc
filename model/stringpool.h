#pragma once
// Shares one QString among equal short texts read from UTF-8 (people, roles,
// languages, genres, image names, dates...): they repeat across titles, and
// sharing them saves most of the allocations of a load and much of the memory
// of the collection. The pool keeps its own copy of every key, so the text it
// was read from may go as soon as it has been looked up. Not thread-safe: one
// pool per thread.

#include <QString>

#include <cstring>
#include <memory>
#include <vector>

class StringPool
{
public:
    StringPool() { m_slots.resize(1 << 12); }

    QString operator()(const char *s)
    {
        const size_t n = std::strlen(s);
        if (n == 0)
            return {};
        if (n > kLongest)
            return QString::fromUtf8(s, qsizetype(n));
        const quint64 hash = hashOf(s, n);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (!slot.key) {
                slot = Slot{keep(s, n), quint32(n), hash, QString::fromUtf8(s, qsizetype(n))};
                QString value = slot.value;
                if (++m_used * 2 > m_slots.size())
                    grow();
                return value;
            }
            if (slot.hash == hash && slot.length == n && std::memcmp(slot.key, s, n) == 0)
                return slot.value;
        }
    }

private:
    static constexpr size_t kLongest = 80;
    static constexpr size_t kKeyBlock = 64 * 1024;
    struct Slot {
        const char *key = nullptr;
        quint32 length = 0;
        quint64 hash = 0;
        QString value;
    };

    // Eight bytes at a time: most keys are a few words long.
    static quint64 hashOf(const char *s, size_t n)
    {
        quint64 h = 0x9e3779b97f4a7c15ull ^ n;
        for (; n >= 8; s += 8, n -= 8) {
            quint64 word;
            std::memcpy(&word, s, 8);
            h = (h ^ word) * 0xff51afd7ed558ccdull;
            h ^= h >> 32;
        }
        quint64 tail = 0;
        std::memcpy(&tail, s, n);
        h = (h ^ tail) * 0xc4ceb9fe1a85ec53ull;
        return h ^ (h >> 29);
    }

    const char *keep(const char *s, size_t n)
    {
        if (m_blockLeft < n) {
            m_blocks.push_back(std::make_unique<char[]>(kKeyBlock));
            m_blockFree = m_blocks.back().get();
            m_blockLeft = kKeyBlock;
        }
        char *copy = m_blockFree;
        std::memcpy(copy, s, n);
        m_blockFree += n;
        m_blockLeft -= n;
        return copy;
    }

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (Slot &slot : old) {
            if (!slot.key)
                continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].key)
                i = (i + 1) & mask;
            m_slots[i] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_used = 0;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char *m_blockFree = nullptr;
    size_t m_blockLeft = 0;
};
