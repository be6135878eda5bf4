#pragma once

#include "ServerStructure.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Hexadecimal text to bytes ("ffff" -> FF FF); stops at the first pair that is not hex.
Bytes HexToBytes(std::string_view hex);

// The three request datagrams, terminating zero byte included.
const Bytes& InfoRequest();    // FF FF FF FF "infostring" LF 00, 16 bytes
const Bytes& PlayersRequest(); // FF FF FF FF "players" 00, 12 bytes
const Bytes& RulesRequest();   // FF FF FF FF "rules" 00, 10 bytes

// Offset of the byte that ends the info answer's header; the receiver puts 0x40 there
// so that header and infostring read as one text.
constexpr size_t InfoHeaderEnd = 22;

// Replaces the header's terminating zero of an info answer with 0x40, as receivers do
// before ParseInfoAnswer. Does nothing to a datagram too short to have that byte.
void MarkInfoHeader(std::span<uint8_t> datagram);

// True when the datagram carries the info answer's tag: cheap, for counting answers as
// they arrive.
bool LooksLikeInfoAnswer(std::span<const uint8_t> datagram);

// Detail states of the details query: what answer is expected next.
enum DetailStateValue { DetailIdle = 0, DetailInfo = 1, DetailPlayers = 2, DetailRules = 3 };

// Parses an info answer (header byte already marked). The text ends at the first zero
// byte or at the end of the datagram. On success all 18 pairs of info are overwritten;
// on failure info is left as it was.
bool ParseInfoAnswer(std::span<const uint8_t> datagram, ServerInfoStructure& info);
// A received info answer read as receivers read it: the header marked on a copy (the
// datagram itself stays as it came, up to the endpoint's 2048 bytes), then parsed.
bool ReadInfoAnswer(std::span<const uint8_t> datagram, ServerInfoStructure& info);

// Parses a players answer; accepted only in detail state 2. Entries 0..playerCount-1 are
// overwritten, later ones are left alone. A name ends at its zero byte and shows only the
// text before a tab; frags are the whole signed 32-bit count.
bool ParsePlayersAnswer(std::span<const uint8_t> datagram, int detailState,
                        PlayersInfoStructure& players, int& playerCount);

// Parses a rules answer; accepted only in detail state 3 and only from 512 bytes on.
// Names and values end at zero bytes and, like player names, show only the text before a tab.
bool ParseRulesAnswer(std::span<const uint8_t> datagram, int detailState, RulesInfoStructure& rules,
                      int& ruleCount);

// The value of the first pair whose key is exactly `key`, the later pair winning when a
// key occurs twice; empty when absent.
std::string_view InfoValue(const ServerInfoStructure& info, std::string_view key);
