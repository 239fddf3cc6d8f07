#include "lang/LzariEncoder.h"

#include "lang/LzariDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace lzari;

LzariTokenWriter::LzariTokenWriter() {
    symbolCumulative[kSymbolCount] = 0;
    for (uint32_t s = kSymbolCount; s >= 1; --s) {
        symbolToByte[s] = static_cast<uint16_t>(s - 1);
        byteToSymbol[s - 1] = static_cast<uint16_t>(s);
        symbolFrequency[s] = 1;
        symbolCumulative[s - 1] = static_cast<uint16_t>(symbolCumulative[s] + 1);
    }
    symbolFrequency[0] = 0;
    symbolToByte[0] = 0;
    positionCumulative[kRingSize] = 0;
    for (uint32_t i = kRingSize; i >= 1; --i) {
        positionCumulative[i - 1] =
            static_cast<uint16_t>(positionCumulative[i] + PositionWeight(i - 1));
    }
    code.assign(kHeaderSize, 0);
}

void LzariTokenWriter::PutBit(uint32_t bit) {
    bitBuffer = (bitBuffer << 1) | bit;
    if (++bitCount == 8) {
        code.push_back(static_cast<uint8_t>(bitBuffer));
        bitBuffer = 0;
        bitCount = 0;
    }
}

void LzariTokenWriter::Output(uint32_t bit) {
    PutBit(bit);
    for (; pendingBits > 0; --pendingBits) {
        PutBit(bit ^ 1);
    }
}

void LzariTokenWriter::EncodeInterval(uint32_t cumHigh, uint32_t cumLow, uint32_t total) {
    const uint32_t range = high - low;
    const uint32_t oldLow = low;
    high = oldLow + range * cumHigh / total;
    low = oldLow + range * cumLow / total;
    for (;;) {
        if (high <= kHalf) {
            Output(0);
        } else if (low >= kHalf) {
            Output(1);
            low -= kHalf;
            high -= kHalf;
        } else if (low >= kQuarter && high <= kThreeQuarters) {
            ++pendingBits;
            low -= kQuarter;
            high -= kQuarter;
        } else {
            break;
        }
        low += low;
        high += high;
    }
}

void LzariTokenWriter::UpdateModel(uint32_t symbol) {
    if (symbolCumulative[0] >= kMaxTotal) {
        uint32_t sum = 0;
        for (uint32_t i = kSymbolCount; i > 0; --i) {
            symbolCumulative[i] = static_cast<uint16_t>(sum);
            symbolFrequency[i] = static_cast<uint16_t>((symbolFrequency[i] + 1) / 2);
            sum += symbolFrequency[i];
        }
        symbolCumulative[0] = static_cast<uint16_t>(sum);
    }
    uint32_t i = symbol;
    while (symbolFrequency[i] == symbolFrequency[i - 1]) {
        --i;
    }
    if (i < symbol) {
        const uint16_t a = symbolToByte[i];
        const uint16_t b = symbolToByte[symbol];
        symbolToByte[i] = b;
        symbolToByte[symbol] = a;
        byteToSymbol[b] = static_cast<uint16_t>(i);
        byteToSymbol[a] = static_cast<uint16_t>(symbol);
    }
    ++symbolFrequency[i];
    while (i > 0) {
        ++symbolCumulative[--i];
    }
}

void LzariTokenWriter::EncodeSymbol(uint32_t value) {
    const uint32_t s = byteToSymbol[value];
    EncodeInterval(symbolCumulative[s - 1], symbolCumulative[s], symbolCumulative[0]);
    UpdateModel(s);
}

void LzariTokenWriter::PutLiteral(uint8_t value) {
    EncodeSymbol(value);
}

void LzariTokenWriter::PutMatch(uint32_t length, uint32_t position) {
    length = std::clamp(length, kMinMatch, kMaxMatch);
    position &= kRingMask;
    EncodeSymbol(length + 253);
    EncodeInterval(positionCumulative[position], positionCumulative[position + 1],
                   positionCumulative[0]);
}

std::vector<uint8_t> LzariTokenWriter::Finish(uint32_t decodedLength) {
    // Two more bits put the code value inside [Q1, Q2) or [Q2, Q3), both wholly within the
    // final interval, so whatever the decoder reads after them cannot move it out.
    ++pendingBits;
    Output(low < kQuarter ? 0 : 1);
    while (bitCount != 0) {
        PutBit(0);
    }
    for (uint32_t i = 0; i < kHeaderSize; ++i) {
        code[i] = static_cast<uint8_t>(decodedLength >> (8 * i));
    }
    std::vector<uint8_t> result;
    result.swap(code);
    return result;
}

namespace {

struct MatchPair {
    uint8_t length;    // nearest match of at least the previous pair's length + 1 up to this
    uint16_t distance; // 1..4096
};

struct Token {
    uint16_t length; // 1 for a literal
    uint16_t distance;
};

// All match candidates of each position: for every length the nearest distance, kept as the
// few (length, distance) steps where the nearest distance changes.
class MatchTable {
  public:
    MatchTable(const std::vector<uint8_t>& buffer, size_t textStart) {
        const size_t size = buffer.size();
        const size_t count = size - textStart;
        offsets.assign(count + 1, 0);
        std::vector<int32_t> head(1u << 16, -1);
        std::vector<int32_t> previous(size, -1);
        const auto hash = [&](size_t j) {
            return (static_cast<uint32_t>(buffer[j]) << 8 ^ static_cast<uint32_t>(buffer[j + 1]) ^
                    static_cast<uint32_t>(buffer[j + 2]) << 4) &
                   0xFFFF;
        };
        const auto insert = [&](size_t j) {
            if (j + kMinMatch <= size) {
                const uint32_t h = hash(j);
                previous[j] = head[h];
                head[h] = static_cast<int32_t>(j);
            }
        };
        // Every start among the initial spaces farther back than one longest match sees the
        // same 60 spaces; the nearest of them always wins, so the rest need not be chained.
        for (size_t j = textStart > kMaxMatch + 1 ? textStart - kMaxMatch - 1 : 0; j < textStart;
             ++j) {
            insert(j);
        }
        for (size_t i = textStart; i < size; ++i) {
            offsets[i - textStart] = static_cast<uint32_t>(pairs.size());
            const uint32_t maxLength = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, size - i));
            if (maxLength >= kMinMatch) {
                uint32_t best = kMinMatch - 1;
                const uint8_t* here = buffer.data() + i;
                for (int32_t j = head[hash(i)]; j >= 0 && i - static_cast<size_t>(j) <= kRingSize;
                     j = previous[static_cast<size_t>(j)]) {
                    const uint8_t* there = buffer.data() + j;
                    if (there[best] != here[best]) {
                        continue;
                    }
                    uint32_t length = 0;
                    while (length < maxLength && there[length] == here[length]) {
                        ++length;
                    }
                    if (length > best) {
                        best = length;
                        pairs.push_back({static_cast<uint8_t>(length),
                                         static_cast<uint16_t>(i - static_cast<size_t>(j))});
                        if (length == maxLength) {
                            break;
                        }
                    }
                }
            }
            insert(i);
        }
        offsets[count] = static_cast<uint32_t>(pairs.size());
    }

    const MatchPair* Begin(size_t i) const { return pairs.data() + offsets[i]; }
    const MatchPair* End(size_t i) const { return pairs.data() + offsets[i + 1]; }

  private:
    std::vector<uint32_t> offsets;
    std::vector<MatchPair> pairs;
};

std::vector<Token> GreedyParse(const MatchTable& matches, size_t count) {
    std::vector<Token> tokens;
    for (size_t i = 0; i < count;) {
        const MatchPair* first = matches.Begin(i);
        const MatchPair* last = matches.End(i);
        if (first != last) {
            const MatchPair& longest = last[-1];
            tokens.push_back({longest.length, longest.distance});
            i += longest.length;
        } else {
            tokens.push_back({1, 0});
            ++i;
        }
    }
    return tokens;
}

// Bit costs of the adaptive symbol model, estimated from how often a parse used each symbol.
std::vector<double> SymbolCosts(const std::vector<Token>& tokens, const uint8_t* text) {
    std::vector<double> counts(kSymbolCount, 1.0);
    size_t i = 0;
    for (const Token& t : tokens) {
        counts[t.length == 1 ? text[i] : t.length + 253] += 1.0;
        i += t.length;
    }
    double total = 0;
    for (double c : counts) {
        total += c;
    }
    std::vector<double> costs(kSymbolCount);
    for (uint32_t s = 0; s < kSymbolCount; ++s) {
        costs[s] = std::log2(total / counts[s]);
    }
    return costs;
}

// Shortest path over the text positions with the estimated costs.
std::vector<Token> CostParse(const MatchTable& matches, const uint8_t* text, size_t count,
                             const std::vector<double>& symbolCosts) {
    std::vector<double> positionCosts(kRingSize);
    for (uint32_t p = 0; p < kRingSize; ++p) {
        positionCosts[p] = std::log2(static_cast<double>(kPositionTotal) / PositionWeight(p));
    }
    std::vector<double> cost(count + 1, std::numeric_limits<double>::infinity());
    std::vector<Token> from(count + 1, Token{1, 0});
    cost[0] = 0;
    for (size_t i = 0; i < count; ++i) {
        const double here = cost[i];
        const double literal = here + symbolCosts[text[i]];
        if (literal < cost[i + 1]) {
            cost[i + 1] = literal;
            from[i + 1] = {1, 0};
        }
        uint32_t length = kMinMatch;
        for (const MatchPair* m = matches.Begin(i); m != matches.End(i); ++m) {
            const double distanceCost = here + positionCosts[m->distance - 1u];
            for (; length <= m->length; ++length) {
                const double c = distanceCost + symbolCosts[length + 253];
                if (c < cost[i + length]) {
                    cost[i + length] = c;
                    from[i + length] = {static_cast<uint16_t>(length), m->distance};
                }
            }
        }
    }
    std::vector<Token> tokens;
    for (size_t i = count; i > 0; i -= from[i].length) {
        tokens.push_back(from[i]);
    }
    std::reverse(tokens.begin(), tokens.end());
    return tokens;
}

std::vector<uint8_t> WriteTokens(const std::vector<Token>& tokens, const uint8_t* text,
                                 uint32_t size) {
    LzariTokenWriter writer;
    size_t i = 0;
    for (const Token& t : tokens) {
        if (t.length == 1) {
            writer.PutLiteral(text[i]);
        } else {
            writer.PutMatch(t.length, t.distance - 1u);
        }
        i += t.length;
    }
    return writer.Finish(size);
}

} // namespace

std::vector<uint8_t> EncodeLzari(const uint8_t* data, size_t size) {
    if (size > std::numeric_limits<uint32_t>::max() || (data == nullptr && size != 0)) {
        return {};
    }
    const uint32_t length = static_cast<uint32_t>(size);
    if (size == 0) {
        return LzariTokenWriter().Finish(0);
    }
    // The text as the decoder's ring sees it: 4,036 spaces, then the data, laid out flat so
    // that distances up to the full 4,096 bytes need no wrap-around.
    std::vector<uint8_t> buffer(kFirstWritePosition + size, ' ');
    std::memcpy(buffer.data() + kFirstWritePosition, data, size);
    const uint8_t* text = buffer.data() + kFirstWritePosition;
    const MatchTable matches(buffer, kFirstWritePosition);

    std::vector<Token> tokens = GreedyParse(matches, size);
    std::vector<uint8_t> best = WriteTokens(tokens, text, length);
    for (int pass = 0; pass < 2; ++pass) {
        tokens = CostParse(matches, text, size, SymbolCosts(tokens, text));
        std::vector<uint8_t> candidate = WriteTokens(tokens, text, length);
        if (candidate.size() < best.size()) {
            best.swap(candidate);
        }
    }
    return best;
}
