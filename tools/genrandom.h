#pragma once
// The generators' random numbers: splitmix64, small, fast and the same
// sequence on every platform (unlike rand()), so a seed always gives the same
// collection.

#include <QString>
#include <QtGlobal>

#include <array>
#include <span>

class GenRandom
{
public:
    explicit GenRandom(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    int range(int low, int high) { return low + int(next() % quint64(high - low + 1)); }
    bool chance(int percent) { return range(1, 100) <= percent; }
    template <typename T, std::size_t N>
    const T &pick(const std::array<T, N> &items) { return items[next() % N]; }
    template <typename T>
    const T &pick(std::span<const T> items) { return items[next() % items.size()]; }
    QString word(std::span<const char16_t *const> items) { return QString::fromUtf16(pick(items)); }

private:
    quint64 m_state;
};
