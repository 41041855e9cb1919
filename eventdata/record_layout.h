// Byte layout of MASTFILE.DAT and NAMEFILE.DAT, spelled once. Both record sizes follow
// from the largest section count of the event (max_kukan); kihon_data publishes them as
// sizeof_mastrec and sizeof_namerec. All integers little-endian, texts CP932 and
// zero-padded.
#pragma once

#include <cstdint>

namespace korvel {

// The 16-bit fields of both files.
inline std::int16_t get_le16(const unsigned char* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
inline void put_le16(unsigned char* p, int v) {
    auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<unsigned char>(u & 0xFF);
    p[1] = static_cast<unsigned char>(u >> 8);
}

// MASTFILE.DAT header: "4.0", int16 max_kukan, int16 record length.
constexpr int MAST_HEADER_SIZE = 7;
constexpr int MAST_HDR_VERSION = 0;  // 3 bytes, no terminator
constexpr int MAST_HDR_VERSION_LEN = 3;
constexpr int MAST_HDR_MAX_KUKAN = 3;
constexpr int MAST_HDR_REC_LEN = 5;
constexpr const char* MAST_VERSION = "4.0";

// TeamRecord.
constexpr int MAST_TEAM_NO = 0;     // int16, 1..999
constexpr int MAST_OPEN_FLAG = 2;   // '1' open entry, '0' ranked
constexpr int MAST_DIVISION = 3;    // 0-based division index
constexpr int MAST_TEAM_NAME = 4;   // 24 bytes of text + terminator
constexpr int MAST_TEAM_NAME_SIZE = 25;
constexpr int MAST_BLOCKS = 29;     // station block k at MAST_BLOCKS + k * MAST_BLOCK_SIZE
constexpr int MAST_BLOCK_SIZE = 18;

// Station block (k = 0 the start, k >= 1 the end of section k).
constexpr int BLOCK_INPUT_SEQ = 0;     // int16
constexpr int BLOCK_DEPARTURE = 2;     // RaceTime
constexpr int BLOCK_ARRIVAL = 5;       // RaceTime
constexpr int BLOCK_SECTION_TIME = 8;  // RaceTime
constexpr int BLOCK_CUMUL_TIME = 11;   // RaceTime
constexpr int BLOCK_SECTION_RANK = 14; // int16
constexpr int BLOCK_CUMUL_RANK = 16;   // int16

// The old master format: no header, 16-byte blocks without the input sequence number.
constexpr int OLD_MAST_BLOCK_SIZE = 16;

// NAMEFILE.DAT header: int16 -1, int16 max_kukan, int16 name field width.
constexpr int NAME_HEADER_SIZE = 6;
constexpr int NAME_HDR_MARKER = 0;
constexpr int NAME_HDR_MAX_KUKAN = 2;
constexpr int NAME_HDR_FIELD_WIDTH = 4;

// RunnerNameRecord: int16 team number, then the runner of section s (1..max_kukan) at
// NAME_RUNNERS + (s - 1) * RUNNER_NAME_SIZE.
constexpr int NAME_TEAM_NO = 0;
constexpr int NAME_RUNNERS = 2;
constexpr int RUNNER_NAME_SIZE = 21;  // 20 bytes of text + terminator

constexpr int mastrec_size(int max_kukan) { return MAST_BLOCKS + MAST_BLOCK_SIZE * (max_kukan + 1); }
constexpr int old_mastrec_size(int max_kukan) { return MAST_BLOCKS + OLD_MAST_BLOCK_SIZE * (max_kukan + 1); }
constexpr int namerec_size(int max_kukan) { return NAME_RUNNERS + RUNNER_NAME_SIZE * max_kukan; }

static_assert(mastrec_size(10) == 227 && namerec_size(10) == 212);
static_assert(mastrec_size(5) == 137 && namerec_size(5) == 107);

}  // namespace korvel
