// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/coding/g711_companding.h"
#include "analysis/coding/reference_coder.h"

#include <cmath>
#include <cstdint>
#include <string_view>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

struct Law {
    std::string_view name;
    std::uint8_t (*encode)(double);
    double (*decode)(std::uint8_t);
    std::uint8_t negativeFlip; // XOR that turns a positive sent character into its negative
};
const Law MuLaw{"mu-law", &EncodeMuLaw, &DecodeMuLaw, 0x80};
const Law ALaw{"A-law", &EncodeALaw, &DecodeALaw, 0x80};

// G.711's tables at the start of each segment: the decision value where it begins, the
// sent character and decoder output of its first step, and those of the step just below
// (the previous segment's last).
struct SegmentEdge {
    const Law* law;
    double decision;
    std::uint8_t code;
    double decoded;
    std::uint8_t codeBelow;
    double decodedBelow;
};
constexpr SegmentEdge Edges[] = {
    {&MuLaw, 31, 0xEF, 33, 0xF0, 30},       {&MuLaw, 95, 0xDF, 99, 0xE0, 93},
    {&MuLaw, 223, 0xCF, 231, 0xD0, 219},    {&MuLaw, 479, 0xBF, 495, 0xC0, 471},
    {&MuLaw, 991, 0xAF, 1023, 0xB0, 975},   {&MuLaw, 2015, 0x9F, 2079, 0xA0, 1983},
    {&MuLaw, 4063, 0x8F, 4191, 0x90, 3999}, {&MuLaw, 8159, 0x80, 8031, 0x80, 8031},
    {&MuLaw, 1, 0xFE, 2, 0xFF, 0},          {&ALaw, 32, 0xC5, 33, 0xDA, 31},
    {&ALaw, 64, 0xF5, 66, 0xCA, 63},        {&ALaw, 128, 0xE5, 132, 0xFA, 126},
    {&ALaw, 256, 0x95, 264, 0xEA, 252},     {&ALaw, 512, 0x85, 528, 0x9A, 504},
    {&ALaw, 1024, 0xB5, 1056, 0x8A, 1008},  {&ALaw, 2048, 0xA5, 2112, 0xBA, 2016},
    {&ALaw, 4096, 0xAA, 4032, 0xAA, 4032},  {&ALaw, 2, 0xD4, 3, 0xD5, 1},
};

TEST(G711, SegmentEdgesGiveTheTabulatedCharactersAndDecoderValuesInBothPolarities) {
    for (const SegmentEdge& edge : Edges) {
        const Law& law = *edge.law;
        SCOPED_TRACE(testing::Message() << law.name << " at " << edge.decision);
        const double below = std::nextafter(edge.decision, 0.0);
        EXPECT_EQ(law.encode(edge.decision), edge.code);
        EXPECT_EQ(law.encode(below), edge.codeBelow);
        EXPECT_EQ(law.encode(-edge.decision), edge.code ^ law.negativeFlip);
        EXPECT_EQ(law.encode(-below), edge.codeBelow ^ law.negativeFlip);
        EXPECT_EQ(law.decode(edge.code), edge.decoded);
        EXPECT_EQ(law.decode(edge.codeBelow), edge.decodedBelow);
        EXPECT_EQ(law.decode(edge.code ^ law.negativeFlip), -edge.decoded);
    }
}

TEST(G711, ZeroAndTheLargestMagnitudesAndOverload) {
    struct Case {
        const Law* law;
        double linear;
        std::uint8_t code;
        double decoded;
    };
    constexpr Case Cases[] = {
        {&MuLaw, 0.0, 0xFF, 0},       {&MuLaw, -0.0, 0x7F, 0},      {&MuLaw, 0.99, 0xFF, 0},
        {&MuLaw, -0.99, 0x7F, 0},     {&MuLaw, 1e9, 0x80, 8031},    {&MuLaw, -1e9, 0x00, -8031},
        {&MuLaw, 8158.9, 0x80, 8031}, {&MuLaw, 7902.9, 0x81, 7775}, {&ALaw, 0.0, 0xD5, 1},
        {&ALaw, -0.0, 0x55, -1},      {&ALaw, 1.99, 0xD5, 1},       {&ALaw, -1.99, 0x55, -1},
        {&ALaw, 1e9, 0xAA, 4032},     {&ALaw, -1e9, 0x2A, -4032},   {&ALaw, 4095.9, 0xAA, 4032},
        {&ALaw, 3967.9, 0xAB, 3904},
    };
    for (const Case& c : Cases) {
        SCOPED_TRACE(testing::Message() << c.law->name << " at " << c.linear);
        EXPECT_EQ(c.law->encode(c.linear), c.code);
        EXPECT_EQ(c.law->decode(c.code), c.decoded);
    }
    EXPECT_TRUE(std::signbit(DecodeMuLaw(0x7F)));
}

TEST(G711, EveryCharacterCodesBackToItselfAndDecodesInOrder) {
    for (const Law* law : {&MuLaw, &ALaw}) {
        double previous = -1e9;
        // Negative characters from the largest magnitude down, then positive ones up.
        for (int rank = 0; rank < 256; ++rank) {
            const int magnitude = rank < 128 ? 127 - rank : rank - 128;
            const int sentMagnitude = magnitude ^ (law == &MuLaw ? 0x7F : 0x55);
            const auto code = static_cast<std::uint8_t>((rank < 128 ? 0x00 : 0x80) | sentMagnitude);
            const double decoded = law->decode(code);
            EXPECT_EQ(law->encode(decoded), code) << law->name << " " << int(code);
            EXPECT_GE(decoded, previous) << law->name << " " << int(code);
            previous = decoded;
        }
    }
}

TEST(ReferenceCoders, FullScaleMapsToEachCodersLargestMagnitude) {
    struct Case {
        double (*code)(double);
        double a;
        double expected;
    };
    const Case Cases[] = {
        {&CodeLinear16, 32767.0, 32767.0},
        {&CodeLinear16, -40000.0, -32768.0},
        {&CodeLinear16, 2.5, 3.0},
        {&CodeLinear16, -2.5, -3.0},
        {&CodeLinear16, 0.49, 0.0},
        {&CodeMuLaw, 32767.0, 32767.0},
        {&CodeMuLaw, -32767.0, -32767.0},
        {&CodeMuLaw, 31.0 * 32767 / 8031, 33.0 * 32767 / 8031},
        {&CodeMuLaw, 0.5, 0.0},
        {&CodeALaw, 32767.0, 32767.0},
        {&CodeALaw, 0.0, 32767.0 / 4032},
        {&CodeALaw, -1.0, -32767.0 / 4032},
    };
    for (const Case& c : Cases) {
        EXPECT_NEAR(c.code(c.a), c.expected, 1e-9) << c.a;
    }
}

} // namespace
