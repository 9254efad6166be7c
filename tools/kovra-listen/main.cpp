// kovra-listen: the subscriber role of the relay endpoint as a command-line client. Joins
// one line of a source, answers its pings and prints every typed event and reported text,
// one line each (JSON lines with --json). SIGINT / SIGTERM send the close datagram and
// end the program with status 0.
#include <CLI/CLI.hpp>
#include <asio.hpp>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <thread>

#include "event_printer.h"
#include "platform/qt_event_loop.h"
#include "platform/udp/host_info.h"
#include "relay/kovra_repeater.h"

namespace {

using kovra::listen::Field;
using kovra::relay::TKovraRepeaterXE;

constexpr int kUsageError = 2;

struct Options {
    std::string source;
    int line = 1;
    int localPort = 0;
    bool json = false;
};

// Writes one output line per event. Tests and scripts read the output through a pipe:
// every line goes out at once. When the reader has gone, onClosed runs once.
struct Printer {
    const Options& options;
    std::function<void()> onClosed;
    bool closed = false;

    void operator()(const std::string& event, const std::vector<Field>& fields) {
        if (closed) {
            return;
        }
        const std::string out = kovra::listen::formatLine(event, fields, options.json) + "\n";
        if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() ||
            std::fflush(stdout) != 0) {
            closed = true;
            onClosed();
        }
    }
};

void attachPrinters(TKovraRepeaterXE& endpoint, Printer& emit) {
    const auto text = [](std::string key, std::string value) {
        return Field{std::move(key), std::move(value), false};
    };
    const auto flag = [](std::string key, bool value) {
        return Field{std::move(key), value ? "true" : "false", true};
    };
    endpoint.a0OnDataFriends = [&, text](TKovraRepeaterXE&, const kovra::relay::DataFriends& r) {
        emit("call_record", {text("filter", r.filter), text("line", r.line), text("date", r.date),
                             text("opr", r.opr), text("ddd", r.ddd), text("phone", r.phone),
                             text("name", r.name), text("city", r.city), text("country", r.country),
                             text("time_init", r.timeInit), text("status", r.status)});
    };
    endpoint.a1OnHandShake = [&, text](TKovraRepeaterXE&, const std::string& ip,
                                       const std::string& port) {
        emit("handshake", {text("remote_ip", ip), text("remote_port", port)});
    };
    endpoint.a2DetectPhone = [&, text](TKovraRepeaterXE&, const std::string& line,
                                       const std::string& tipo, const std::string& ddd,
                                       const std::string& phone) {
        emit("detect_phone",
             {text("line", line), text("type", tipo), text("ddd", ddd), text("phone", phone)});
    };
    endpoint.a3OnFormatPhone = [&, text, flag](TKovraRepeaterXE&, const std::string& line,
                                               const std::string& phone, bool dtmf, bool fsk) {
        emit("format_phone",
             {text("line", line), text("phone", phone), flag("dtmf", dtmf), flag("fsk", fsk)});
    };
    endpoint.a4OnKeyEvent = [&, text](TKovraRepeaterXE&, const std::string& line,
                                      const std::string& key) {
        emit("key", {text("line", line), text("key", key)});
    };
    endpoint.a5OnFileRec = [&, text](TKovraRepeaterXE&, const std::string& line,
                                     const std::string& file, const std::string& duration) {
        emit("file_rec", {text("line", line), text("file", file), text("duration", duration)});
    };
    endpoint.a6OnRing = [&, text](TKovraRepeaterXE&, const std::string& line, int count) {
        emit("ring", {text("line", line), Field{"count", std::to_string(count), true}});
    };
    endpoint.a7OnAllEvents = [&, text](TKovraRepeaterXE&, const std::string& texto) {
        emit("text", {text("text", texto)});
    };
    endpoint.a8OnStatusEvent = [&, text](TKovraRepeaterXE&, const std::string& line,
                                         const std::string& status) {
        emit("status", {text("line", line), text("status", status)});
    };
    endpoint.a9OnIndexPhone = [&, text](TKovraRepeaterXE&, const std::string& line,
                                        const std::string& index) {
        emit("index_phone", {text("line", line), text("index", index)});
    };
}

// Host part of "HOST:PORT"; the port must be a number from 1 to 65535.
std::string validateSource(const std::string& source) {
    const auto colon = source.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return "--source must be HOST:PORT";
    }
    const std::string port = source.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) < 1 ||
        std::stoi(port) > 65535) {
        return "--source: port must be a number from 1 to 65535";
    }
    if (source.find(':') != colon) {
        return "--source: the host must be an IPv4 address or a name";
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App app{"Joins one line of a relay source and prints its events, one line each."};
    app.add_option("--source", options.source, "the source's line endpoint, HOST:PORT")->required();
    app.add_option("--line", options.line, "the source's line number to join")
        ->check(CLI::Range(1, 10));
    app.add_option("--local-port", options.localPort, "local UDP port (0: a free one)")
        ->check(CLI::Range(0, 65535));
    app.add_flag("--json", options.json, "print JSON lines");
    app.footer(
        "Output, one line per event: text (every reported text), handshake, ring, key,\n"
        "status, format_phone, index_phone, detect_phone, file_rec, call_record. Plain lines\n"
        "are the event name then TAB-separated key=value fields; --json prints the same\n"
        "fields as one object per line with \"event\" first.");
    try {
        app.parse(argc, argv);
        if (const std::string error = validateSource(options.source); !error.empty()) {
            throw CLI::ValidationError(error);
        }
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        std::cerr << "kovra-listen: " << e.what() << "\n\n" << app.help();
        return kUsageError;
    }

    kovra::QtEventLoop loop;
    TKovraRepeaterXE endpoint(loop);
    endpoint.setA9HostKovra(false);
    endpoint.setA0NumberLine(options.line);
    // A closed output pipe ends the program like a signal does, not by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    Printer printer{options, [&] {
                        endpoint.setA7Calling(false);
                        loop.quit(0);
                    }};
    attachPrinters(endpoint, printer);

    const std::string host = options.source.substr(0, options.source.rfind(':'));
    // Announce the address the source can reach us at, not just the first interface.
    if (const std::string local = kovra::udp::localAddressFor(host); !local.empty()) {
        endpoint.setA6Local_IP(local);
    }
    if (options.localPort == 0) {
        endpoint.OpenPort();
    } else {
        endpoint.setA5Local_Port(options.localPort);
    }
    if (!endpoint.listening()) {
        std::cerr << "kovra-listen: cannot listen on UDP port " << options.localPort << "\n";
        return 1;
    }
    std::cerr << "kovra-listen: listening on UDP port " << endpoint.boundPort() << ", joining "
              << options.source << " line " << options.line << "\n";

    asio::io_context signalIo;
    asio::signal_set signals(signalIo, SIGINT, SIGTERM);
    signals.async_wait([&](const std::error_code& ec, int) {
        if (!ec) {
            loop.post([&] {
                endpoint.setA7Calling(false);  // the close datagram
                loop.quit(0);
            });
        }
    });
    std::thread signalThread([&] { signalIo.run(); });

    loop.post([&] {
        if (!endpoint.ConnectTo(options.source, options.line)) {
            std::cerr << "kovra-listen: cannot join " << options.source << "\n";
            loop.quit(1);
        }
    });
    const int code = loop.run();
    signalIo.stop();
    signalThread.join();
    return code;
}
