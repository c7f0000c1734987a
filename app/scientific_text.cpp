#include "app/scientific_text.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

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

// 5^s for s = 0..55, the powers that fit 128 bits, each shifted left until
// its top bit is bit 127 (exact: only zeros come in), with that shift.
constexpr int kMaxFastPower = 55;
struct PowersOfFive {
    uint64_t high[kMaxFastPower + 1], low[kMaxFastPower + 1];
    int shift[kMaxFastPower + 1];
    constexpr PowersOfFive() : high(), low(), shift() {
        unsigned __int128 p = 1;
        for (int s = 0; s <= kMaxFastPower; ++s, p *= 5) {
            int k = 0;
            while (((p << k) >> 127) == 0) ++k;
            high[s] = static_cast<uint64_t>((p << k) >> 64);
            low[s] = static_cast<uint64_t>(p << k);
            shift[s] = k;
        }
    }
};
constexpr PowersOfFive kFive;
constexpr unsigned __int128 kTen20 = static_cast<unsigned __int128>(100000000000000000000.0L);

// The binary exponents whose values take the quick way.
constexpr int kMinFastBinary = -120, kMaxFastBinary = 60;

// floor(b * log10(2)), exact over far more than the quick range.
constexpr int FloorLog10OfTwoTo(int b) { return (b * 78913) >> 18; }

// For each binary exponent b of the quick range, the largest significand
// m (its top bit set) with m * 2^(b - 63) below 10^(floor(b log10 2) + 1),
// the one power of ten that may lie in [2^b, 2^(b + 1)); the largest of
// all where none does. A greater significand has that power's exponent.
struct BelowNextPower {
    uint64_t last[kMaxFastBinary - kMinFastBinary + 1];
    constexpr BelowNextPower() : last() {
        for (int b = kMinFastBinary; b <= kMaxFastBinary; ++b) {
            // m_min = ceil(10^k * 2^(63 - b)) in four words, least first.
            uint64_t w[4] = {0, 0, 0, 0};
            const int e = 63 - b;
            w[e / 64] = uint64_t(1) << (e % 64);
            const int k = FloorLog10OfTwoTo(b) + 1;
            bool inexact = false;
            for (int i = 0; i < (k < 0 ? -k : k); ++i) {
                unsigned __int128 carry = 0;
                if (k > 0) {
                    for (uint64_t& word : w) {
                        const unsigned __int128 t = static_cast<unsigned __int128>(word) * 10 + carry;
                        word = static_cast<uint64_t>(t);
                        carry = t >> 64;
                    }
                } else {
                    for (int j = 3; j >= 0; --j) {
                        const unsigned __int128 t = (carry << 64) | w[j];
                        w[j] = static_cast<uint64_t>(t / 10);
                        carry = t % 10;
                    }
                    inexact = inexact || carry != 0;
                }
            }
            const bool fits = w[1] == 0 && w[2] == 0 && w[3] == 0 && !(inexact && w[0] == ~uint64_t(0));
            last[b - kMinFastBinary] = fits ? w[0] + (inexact ? 1 : 0) - 1 : ~uint64_t(0);
        }
    }
};
constexpr BelowNextPower kBelowNextPower;

// The 21 digits of significand * 2^e2, as one integer q with 10^20 <= q <
// 10^21, and the decimal exponent, where that is quick and exact: value *
// 10^s, s = 20 - exponent, is significand * 5^s / 2^shift. With 5^s
// aligned to the top of 128 bits the 192-bit product has its top bit at
// 190 or 191, so q, which has 67 to 70 bits, always lies in its top 128
// bits, 57 to 61 bits up; the bits below q decide the rounding, half to
// even. False where the value lies outside that range. No branch depends
// on the digits, so that one number's work overlaps the next one's.
bool FastDigits(uint64_t significand, int e2, unsigned __int128& digits, int& exponent10) {
    using U128 = unsigned __int128;
    const int binary = e2 + 63;   // the value lies in [2^binary, 2^(binary + 1))
    if (binary < kMinFastBinary || binary > kMaxFastBinary) return false;
    const int x = FloorLog10OfTwoTo(binary) + (significand > kBelowNextPower.last[binary - kMinFastBinary] ? 1 : 0);
    const int s = 20 - x;
    if (s < 0 || s > kMaxFastPower) return false;
    // q = product / 2^(64 + r).
    const int r = kFive.shift[s] - (s + e2) - 64;
    if (r < 1 || r > 63) return false;
    const U128 low = static_cast<U128>(significand) * kFive.low[s];
    const U128 high = static_cast<U128>(significand) * kFive.high[s] + static_cast<uint64_t>(low >> 64);
    const auto middle = static_cast<uint64_t>(high), top = static_cast<uint64_t>(high >> 64);
    // r lies within 1..63: two word shifts, not a general 128-bit one.
    U128 q = static_cast<U128>(top >> r) << 64 | ((middle >> r) | (top << (64 - r)));
    // Never so with the exponent found above; the long way would still be right.
    if (q < kTen20 || q >= 10 * kTen20) return false;
    const uint64_t rest = middle & ((uint64_t(1) << r) - 1), half = uint64_t(1) << (r - 1);
    const bool below = static_cast<uint64_t>(low) != 0;
    q += static_cast<unsigned>(rest > half) |
         (static_cast<unsigned>(rest == half) & (static_cast<unsigned>(below) | static_cast<unsigned>(q & 1)));
    exponent10 = x;
    if (q == 10 * kTen20) {
        q = kTen20;
        ++exponent10;
    }
    digits = q;
    return true;
}

// The eight digits of v < 10^8 in one word, the first in its lowest byte:
// two lanes of four digits, then four of two, then each digit in a byte of
// its own, all lanes at once.
inline uint64_t EightDigits(uint64_t v) {
    static_assert(std::endian::native == std::endian::little, "the first digit is stored first");
    const uint64_t fours = v / 10000 | (v % 10000) << 32;
    const uint64_t hundreds = (fours * 10486 >> 20) & 0x0000007F0000007FULL;
    const uint64_t pairs = hundreds | (fours - 100 * hundreds) << 16;
    const uint64_t tens = (pairs * 103 >> 10) & 0x000F000F000F000FULL;
    return (tens | (pairs - 10 * tens) << 8) | 0x3030303030303030ULL;
}

// The sixteen digits of a and b, each below 10^8, a's first, as ASCII, all
// lanes at once: each splits into two halves below 10^4, each half is
// spread over four 16-bit lanes that keep its leading 1 to 4 digits, and
// each lane less ten times the lane before it is one digit.
inline __m128i SixteenDigits(uint32_t a, uint32_t b) {
    const __m128i v = _mm_set_epi32(0, static_cast<int>(b), 0, static_cast<int>(a));
    // v / 10^4 = v * ceil(2^45 / 10^4) / 2^45, exact below 2^32.
    const __m128i high = _mm_srli_epi64(_mm_mul_epu32(v, _mm_set1_epi32(static_cast<int>(0xD1B71759u))), 45);
    const __m128i low = _mm_sub_epi32(v, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
    // 16-bit lanes: a_high, 0, a_low, 0, b_high, 0, b_low, 0.
    const __m128i halves = _mm_or_si128(high, _mm_slli_epi64(low, 32));
    // Four copies of each half, times 4 to use the top of the lanes.
    const __m128i spreadA = _mm_slli_epi16(_mm_shuffle_epi32(_mm_unpacklo_epi16(halves, halves), 0xA0), 2);
    const __m128i spreadB = _mm_slli_epi16(_mm_shuffle_epi32(_mm_unpackhi_epi16(halves, halves), 0xA0), 2);
    // x / 1000, x / 100, x / 10, x in the four lanes of each half.
    const __m128i divide = _mm_setr_epi16(8389, 5243, 13108, -32768, 8389, 5243, 13108, -32768);
    const __m128i shift = _mm_setr_epi16(1 << 7, 1 << 11, 1 << 13, -32768, 1 << 7, 1 << 11, 1 << 13, -32768);
    const __m128i leadingA = _mm_mulhi_epu16(_mm_mulhi_epu16(spreadA, divide), shift);
    const __m128i leadingB = _mm_mulhi_epu16(_mm_mulhi_epu16(spreadB, divide), shift);
    const __m128i ten = _mm_set1_epi16(10);
    const __m128i digitsA = _mm_sub_epi16(leadingA, _mm_slli_epi64(_mm_mullo_epi16(leadingA, ten), 16));
    const __m128i digitsB = _mm_sub_epi16(leadingB, _mm_slli_epi64(_mm_mullo_epi16(leadingB, ten), 16));
    return _mm_add_epi8(_mm_packus_epi16(digitsA, digitsB), _mm_set1_epi8('0'));
}

// The text of q * 10^(exponent10 - 20), 10^20 <= q < 10^21, at p. Every
// digit is stored where it goes, with no copy that would read back bytes
// just written in smaller pieces.
char* WriteDigits(char* p, unsigned __int128 q, int exponent10) {
    // q / 10^8 and q / 10^16 side by side, each a 64-bit division by a
    // constant (a multiplication): q / 10^k is (q / 2^k) / 5^k.
    const uint64_t upper = static_cast<uint64_t>(q >> 8) / 390625ULL;
    const uint64_t lead = static_cast<uint64_t>(q >> 16) / 152587890625ULL;
    // Remainders below 2^64, exact in 64-bit arithmetic.
    const __m128i digits = SixteenDigits(static_cast<uint32_t>(upper - lead * 100000000ULL),
                                         static_cast<uint32_t>(static_cast<uint64_t>(q) - upper * 100000000ULL));
    const auto four = static_cast<uint32_t>(lead % 10000);
    p[0] = static_cast<char>('0' + lead / 10000);
    p[1] = '.';
    std::memcpy(p + 2, kDigitPairs + 2 * (four / 100), 2);
    std::memcpy(p + 4, kDigitPairs + 2 * (four % 100), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 6), digits);
    p += 22;
    *p++ = 'e';
    *p++ = exponent10 < 0 ? '-' : '+';
    const auto magnitude = static_cast<uint32_t>(exponent10 < 0 ? -exponent10 : exponent10);
    if (magnitude >= 100) {
        if (magnitude >= 1000) *p++ = static_cast<char>('0' + magnitude / 1000);
        *p++ = static_cast<char>('0' + magnitude / 100 % 10);
    }
    std::memcpy(p, kDigitPairs + 2 * (magnitude % 100), 2);
    return p + 2;
}

} // namespace

char* WriteInteger(int64_t value, char* out) {
    if (value < 0 || value >= 100000000) return std::to_chars(out, out + 20, value).ptr;
    const auto v = static_cast<uint64_t>(value);
    // Digits: floor(log10(v)) + 1, from the bit length, one too many at most
    // (0 has one, as 1 has).
    const int bits = 64 - std::countl_zero(v | 1);
    int length = ((bits * 1233) >> 12) + 1;
    static constexpr uint64_t kPowers[] = {0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    length -= v < kPowers[length - 1] ? 1 : 0;
    const uint64_t text = EightDigits(v) >> (8 * (8 - length));
    std::memcpy(out, &text, 8);
    return out + length;
}

char* WriteScientific21(const Real& value, char* out) {
    static_assert(sizeof(Real) >= 10, "an x87 extended long double");
    // The bits are read where the value lies, not from a copy the x87 unit
    // has just stored: a narrower read of such a store waits for it.
    const RealParts parts = PartsOf(&value);
    const uint64_t significand = parts.significand;
    const bool negative = parts.Negative();
    const int biased = parts.BiasedExponent();
    // Infinities, NaNs and the encodings no arithmetic makes (an exponent
    // without the integer bit) go the long way.
    if (biased == 0x7FFF || (biased != 0 && (significand >> 63) == 0))
        return std::to_chars(out, out + ScientificTextRoom, value, std::chars_format::scientific, 20).ptr;

    char* p = out;
    *p = '-';
    p += negative ? 1 : 0;
    constexpr int kDigits = 21;
    char digits[kDigits + 1];
    int exponent10 = 0;
    if (significand == 0) {
        std::memset(digits, '0', kDigits);
    } else {
        // value = significand * 2^e2; for e2 < 0 that is significand * 5^-e2 * 10^e2.
        const int e2 = (biased == 0 ? 1 : biased) - 16383 - 63;
        unsigned __int128 fast = 0;
        if (FastDigits(significand, e2, fast, exponent10)) return WriteDigits(p, fast, exponent10);
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
