#include "app/scientific_text.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace tarvik {

namespace {

constexpr uint32_t kLimbBase = 1000000000;   // nine decimal digits a limb
// Enough limbs for the longest exact decimal expansion of an 80-bit value:
// a subnormal's 64-bit significand times 5^16445 has about 11 515 digits.
constexpr int kMaxLimbs = 1300;

// A non-negative integer in base 10^9, least significant limb first.
struct Decimal {
    uint32_t limb[kMaxLimbs];
    int count = 0;

    void Set(uint64_t v) {
        count = 0;
        do {
            limb[count++] = static_cast<uint32_t>(v % kLimbBase);
            v /= kLimbBase;
        } while (v != 0);
    }
    void Multiply(uint32_t factor) {
        uint64_t carry = 0;
        for (int i = 0; i < count; ++i) {
            const uint64_t t = static_cast<uint64_t>(limb[i]) * factor + carry;
            limb[i] = static_cast<uint32_t>(t % kLimbBase);
            carry = t / kLimbBase;
        }
        while (carry != 0) {
            limb[count++] = static_cast<uint32_t>(carry % kLimbBase);
            carry /= kLimbBase;
        }
    }
    // Times base^power, in steps of base^chunk (which must fit 32 bits).
    void MultiplyPower(uint32_t base, int power, int chunk) {
        uint32_t big = 1;
        for (int i = 0; i < chunk; ++i) big *= base;
        for (; power >= chunk; power -= chunk) Multiply(big);
        uint32_t rest = 1;
        for (int i = 0; i < power; ++i) rest *= base;
        if (rest != 1) Multiply(rest);
    }
};


constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The nine digits of v < 10^9 at d[0..8].
inline void Write9(char* d, uint32_t v) {
    for (int i = 7; i >= 1; i -= 2) {
        std::memcpy(d + i, kDigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    d[0] = static_cast<char>('0' + v);
}

// 5^s for s = 0..55, the powers that fit 128 bits.
constexpr int kMaxFastPower = 55;
struct PowersOfFive {
    unsigned __int128 p[kMaxFastPower + 1];
    constexpr PowersOfFive() : p() {
        p[0] = 1;
        for (int s = 1; s <= kMaxFastPower; ++s) p[s] = p[s - 1] * 5;
    }
};
constexpr PowersOfFive kFive;
constexpr unsigned __int128 kTen20 = static_cast<unsigned __int128>(100000000000000000000.0L);

// A 192-bit product, least significant word first.
struct Wide {
    uint64_t w[3];
    bool Bit(int i) const { return ((w[i / 64] >> (i % 64)) & 1) != 0; }
    // Any bit below bit i.
    bool AnyBelow(int i) const {
        for (int k = 0; k < 3 && i > 0; ++k, i -= 64) {
            const uint64_t mask = i >= 64 ? ~uint64_t(0) : (uint64_t(1) << i) - 1;
            if ((w[k] & mask) != 0) return true;
        }
        return false;
    }
    // The bits from `shift` up, which the callers know to fit 128 bits.
    unsigned __int128 From(int shift) const {
        const int k = shift / 64, b = shift % 64;
        const auto word = [this](int i) -> uint64_t { return i < 3 ? w[i] : 0; };
        const uint64_t lo = b == 0 ? word(k) : (word(k) >> b) | (word(k + 1) << (64 - b));
        const uint64_t hi = b == 0 ? word(k + 1) : (word(k + 1) >> b) | (word(k + 2) << (64 - b));
        return (static_cast<unsigned __int128>(hi) << 64) | lo;
    }
};

Wide Multiply(uint64_t m, unsigned __int128 f) {
    const unsigned __int128 p0 = static_cast<unsigned __int128>(m) * static_cast<uint64_t>(f);
    const unsigned __int128 p1 = static_cast<unsigned __int128>(m) * static_cast<uint64_t>(f >> 64) + static_cast<uint64_t>(p0 >> 64);
    return {{static_cast<uint64_t>(p0), static_cast<uint64_t>(p1), static_cast<uint64_t>(p1 >> 64)}};
}

// The 21 digits and the decimal exponent of significand * 2^e2 where that
// is quick and exact in 192 bits: value * 10^s, s = 20 - exponent, is
// significand * 5^s / 2^shift with shift > 0; its integer part holds the
// digits, bit shift - 1 is the half and the bits below it say whether the
// rest is more than a half. False where the value lies outside that range.
bool FastDigits(uint64_t significand, int e2, char* digits, int& exponent10) {
    const int binary = e2 + 63;   // the value lies in [2^binary, 2^(binary + 1))
    if (binary < -120 || binary > 60) return false;
    int x = (binary * 78913) >> 18;   // floor(binary * log10(2)): the exponent or one less
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int s = 20 - x;
        const int shift = -(s + e2);
        if (s < 0 || s > kMaxFastPower || shift <= 0 || shift >= 192) return false;
        const Wide p = Multiply(significand, kFive.p[s]);
        unsigned __int128 q = p.From(shift);
        if (q >= 10 * kTen20) {
            ++x;
            continue;
        }
        if (q < kTen20) return false;
        if (p.Bit(shift - 1) && (p.AnyBelow(shift - 1) || (q & 1) != 0)) ++q;
        if (q == 10 * kTen20) {
            q = kTen20;
            ++x;
        }
        exponent10 = x;
        // q < 2^70: q / 10^18 is (q / 2^18) / 5^18, both in 64 bits.
        uint64_t high = static_cast<uint64_t>(q >> 18) / 3814697265625ULL;
        const uint64_t low = static_cast<uint64_t>(q - static_cast<unsigned __int128>(high) * 1000000000000000000ULL);
        // Two halves of nine digits: two short chains of divisions instead
        // of one long one.
        Write9(digits + 3, static_cast<uint32_t>(low / 1000000000));
        Write9(digits + 12, static_cast<uint32_t>(low % 1000000000));
        for (int i = 2; i >= 0; --i) {
            digits[i] = static_cast<char>('0' + high % 10);
            high /= 10;
        }
        return true;
    }
    return false;
}

} // namespace

char* WriteScientific21(Real value, char* out) {
    static_assert(sizeof(Real) >= 10, "an x87 extended long double");
    unsigned char bytes[sizeof(Real)];
    std::memcpy(bytes, &value, sizeof(Real));
    uint64_t significand;
    std::memcpy(&significand, bytes, 8);
    const int signAndExponent = bytes[8] | (bytes[9] << 8);
    const bool negative = (signAndExponent & 0x8000) != 0;
    const int biased = signAndExponent & 0x7FFF;
    // Infinities, NaNs and the encodings no arithmetic makes (an exponent
    // without the integer bit) go the long way.
    if (biased == 0x7FFF || (biased != 0 && (significand >> 63) == 0))
        return std::to_chars(out, out + ScientificTextRoom, value, std::chars_format::scientific, 20).ptr;

    char* p = out;
    if (negative) *p++ = '-';
    constexpr int kDigits = 21;
    char digits[kDigits + 1];
    int exponent10 = 0;
    if (significand == 0) {
        std::memset(digits, '0', kDigits);
    } else {
        // value = significand * 2^e2; for e2 < 0 that is significand * 5^-e2 * 10^e2.
        const int e2 = (biased == 0 ? 1 : biased) - 16383 - 63;
        if (FastDigits(significand, e2, digits, exponent10)) goto write;
        thread_local Decimal n;
        n.Set(significand);
        if (e2 > 0) n.MultiplyPower(2, e2, 29);
        else if (e2 < 0) n.MultiplyPower(5, -e2, 13);
        const int shift = e2 < 0 ? e2 : 0;
        // The leading digits, then whether anything past them is not zero.
        char lead[9];
        const int leadCount = static_cast<int>(std::to_chars(lead, lead + 9, n.limb[n.count - 1]).ptr - lead);
        const int total = leadCount + 9 * (n.count - 1);
        exponent10 = total - 1 + shift;
        int have = 0;
        char next = '0';
        bool restNonZero = false;
        const auto take = [&](char c) {
            if (have < kDigits) digits[have++] = c;
            else if (have == kDigits) {
                next = c;
                ++have;
            } else if (c != '0') restNonZero = true;
        };
        for (int i = 0; i < leadCount; ++i) take(lead[i]);
        for (int k = n.count - 2; k >= 0; --k) {
            const uint32_t v = n.limb[k];
            if (have > kDigits && restNonZero) break;
            if (have > kDigits) {
                restNonZero = v != 0;
                continue;
            }
            char nine[9];
            uint32_t t = v;
            for (int i = 8; i >= 0; --i) {
                nine[i] = static_cast<char>('0' + t % 10);
                t /= 10;
            }
            for (char c : nine) take(c);
        }
        while (have < kDigits) digits[have++] = '0';
        const bool up = next > '5' || (next == '5' && (restNonZero || ((digits[kDigits - 1] - '0') & 1) != 0));
        if (up) {
            int i = kDigits - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits[0] = '1';
                ++exponent10;
            }
        }
    }
write:
    *p++ = digits[0];
    *p++ = '.';
    std::memcpy(p, digits + 1, kDigits - 1);
    p += kDigits - 1;
    *p++ = 'e';
    *p++ = exponent10 < 0 ? '-' : '+';
    const int magnitude = exponent10 < 0 ? -exponent10 : exponent10;
    if (magnitude < 10) *p++ = '0';
    return std::to_chars(p, p + 6, magnitude).ptr;
}

} // namespace tarvik
