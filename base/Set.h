#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace tavrin {

// A set of an enumeration: bit n stands for the element of ordinal n.
template <class E, class Bits = std::uint32_t> class Set {
public:
    constexpr Set() = default;
    constexpr Set(std::initializer_list<E> elements) {
        for (E e : elements)
            bits_ |= Bit(e);
    }
    static constexpr Set FromBits(Bits bits) {
        Set s;
        s.bits_ = bits;
        return s;
    }

    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr Bits ToBits() const { return bits_; }

    constexpr Set& Include(E e) {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr Set& Exclude(E e) {
        bits_ &= static_cast<Bits>(~Bit(e));
        return *this;
    }
    constexpr Set operator+(Set other) const { return FromBits(bits_ | other.bits_); }
    constexpr Set operator-(Set other) const { return FromBits(bits_ & ~other.bits_); }
    constexpr Set operator*(Set other) const { return FromBits(bits_ & other.bits_); }
    constexpr bool operator==(const Set&) const = default;

private:
    static constexpr Bits Bit(E e) {
        return static_cast<Bits>(Bits{1} << static_cast<std::underlying_type_t<E>>(e));
    }
    Bits bits_ = 0;
};

} // namespace tavrin
