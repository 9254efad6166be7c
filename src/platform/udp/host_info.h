// Facts about this host and process that relay texts carry: local addresses and the
// running program's file name. Safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace kovra::udp {

// The machine's first non-loopback IPv4 address; empty when there is none.
std::string firstLocalIPv4Address();

// The local IPv4 address the system would send from to reach host (no datagram is sent);
// empty when host cannot be resolved or reached over IPv4.
std::string localAddressFor(const std::string& host);

// The numeric addresses of this machine's interfaces (IPv4 and IPv6, loopback included),
// in canonical form.
std::vector<std::string> localAddresses();

// True for a numeric loopback address (127.0.0.0/8, ::1).
bool isLoopback(const std::string& address);

// True for an IPv4 address in dotted decimal exactly as the system writes it back
// ("10.0.0.1"; not "010.0.0.1", "10.1" or a host name).
bool isCanonicalIPv4(const std::string& text);

// The running program's file name without its folder ("kovra-plugin"); empty if unknown.
std::string currentProgramFileName();

}  // namespace kovra::udp
