// Text conversions of the relay wire: 7-bit ASCII, trimming, the three datagram kinds
// and the receive normalisation. Pure functions, safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace kovra::relay {

// UTF-8 text to 7-bit ASCII: each non-ASCII character (and each byte that is not part of
// a valid UTF-8 sequence) becomes one '?'.
std::string toWireAscii(std::string_view utf8);

// Removes leading and trailing characters with codes of 32 or less.
std::string_view trimControl(std::string_view text);

// "&&" + trimmed ASCII text + "@", extended with NUL filler to 150 characters when shorter.
std::string buildEventDatagram(std::string_view text);

// "I" + address + "P" + port + "VZ" + "T"/"F" + "@", then 'K' up to 150 characters.
std::string buildHandshakeDatagram(std::string_view localIp, int localPort, bool flag);

// "~Finalizada@" then 'K' up to 150 characters.
std::string buildCloseDatagram();

// A received datagram as text: first 250 bytes, bytes above 127 as '?', every '@' and
// '&' removed, trimmed. Empty means the datagram is dropped.
std::string receivedText(std::string_view datagram);

// Decimal integer (optional sign, surrounding blanks allowed, 32-bit range) or fallback.
int textToInt(std::string_view text, int fallback);

// Characters [pos, pos+count) counted from 1, clipped to the text (empty when past it).
std::string_view charsAt(std::string_view text, std::size_t pos, std::size_t count);

}  // namespace kovra::relay
