// Relay receive throughput: the pure parser, one endpoint end to end on 127.0.0.1
// (receive, parse, pending slot, dispatch), and what the single pending slot with its
// 5 ms dispatch period does to a burst on the real-time loop.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt_event_loop.h"
#include "platform/simulated_event_loop.h"
#include "platform/udp/udp_socket.h"
#include "relay/kovra_repeater.h"
#include "relay/receive_parser.h"
#include "relay/wire_text.h"

namespace {

using namespace kovra;
using namespace kovra::relay;

const std::vector<std::string>& sampleTexts() {
    static const std::vector<std::string> texts = {
        "L1_RING_COUNT->2",
        "L1_DMTFKEY->5",
        "L1_NUMBER_FORMAT_FSK->1(19)2345-6789",
        "L1_DETECT_PHONE->1192345-6789",
        "L1_STATUS_OFF_HOOK",
        "L1_REC_FILE_START->14h05m09s-RECEBIDA-(11)3456-7890.mp3#00:00:00",
        "DATA_NAME->Fulano de Tal",
        "L1_STATUS_ON_HOOK",
    };
    return texts;
}

// Receive normalisation and parsing of one datagram, no sockets.
void BM_ParseDatagram(benchmark::State& state) {
    std::vector<std::string> datagrams;
    for (const auto& t : sampleTexts()) {
        datagrams.push_back(buildEventDatagram(t));
    }
    CallRecord record;
    const ParseContext context{1, false, true, "127.0.0.1", 3821};
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string text = receivedText(datagrams[i++ % datagrams.size()]);
        benchmark::DoNotOptimize(parseEventMessage(text, context, record, "kovra-plugin"));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseDatagram);

// Datagrams received, parsed and dispatched through one endpoint, with the loop's clock
// stepped by the dispatch period as fast as the machine goes: the machinery's own cost.
void BM_EndpointThroughput(benchmark::State& state) {
    const int batch = static_cast<int>(state.range(0));
    SimulatedEventLoop loop;
    TKovraRepeaterXE endpoint(loop);
    int raised = 0;
    endpoint.a6OnRing = [&](TKovraRepeaterXE&, const std::string&, int) { ++raised; };
    endpoint.OpenPort();
    udp::UdpListener sender(0, [](std::string_view) {});
    const std::string datagram = buildEventDatagram("L1_RING_COUNT->3");
    for (auto _ : state) {
        raised = 0;
        for (int i = 0; i < batch; ++i) {
            sender.sendTo("127.0.0.1", endpoint.boundPort(), datagram);
        }
        while (raised < batch) {
            loop.advance(Millis(5));
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_EndpointThroughput)->Arg(100)->UseRealTime()->Unit(benchmark::kMillisecond);

// A burst sent at once to an endpoint on the real-time loop: how long until every typed
// event is raised, and how many the socket's receive buffer could not hold while the
// listener waited for the slot.
void BM_BurstOnRealTimeLoop(benchmark::State& state) {
    const int burst = static_cast<int>(state.range(0));
    QtEventLoop loop;
    int raised = 0;
    double seconds = 0;
    for (auto _ : state) {
        TKovraRepeaterXE endpoint(loop);
        raised = 0;
        std::chrono::steady_clock::time_point lastEvent;
        endpoint.a6OnRing = [&](TKovraRepeaterXE&, const std::string&, int) {
            lastEvent = std::chrono::steady_clock::now();
            if (++raised == burst) {
                loop.quit(0);
            }
        };
        endpoint.OpenPort();
        udp::UdpListener sender(0, [](std::string_view) {});
        const std::string datagram = buildEventDatagram("L1_RING_COUNT->3");
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < burst; ++i) {
            sender.sendTo("127.0.0.1", endpoint.boundPort(), datagram);
        }
        // Whatever has not arrived a second after the slot's pace would allow is lost.
        const auto limit = Millis(burst * 5 * 3 / 2 + 1000);
        const auto stopper = loop.singleShot(limit, [&] { loop.quit(0); });
        loop.run();
        loop.stopTimer(stopper);
        seconds = std::chrono::duration<double>(lastEvent - start).count();
        state.SetIterationTime(seconds);
    }
    state.counters["delivered"] = raised;
    state.counters["lost"] = burst - raised;
    state.counters["events_per_s"] = seconds > 0 ? raised / seconds : 0;
}
BENCHMARK(BM_BurstOnRealTimeLoop)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A flood from one sender other than the host (127.0.0.3), sent at once, then 60 texts
// from the host (127.0.0.1) on the real-time loop: how many of the host's texts are
// raised, how long the last one took from the moment the host sent it, and how many of
// the flood's got through.
void BM_HostUnderFlood(benchmark::State& state) {
    const int flood = static_cast<int>(state.range(0));
    constexpr int kHostTexts = 60;
    QtEventLoop loop;
    int host = 0;
    int others = 0;
    double seconds = 0;
    for (auto _ : state) {
        TKovraRepeaterXE endpoint(loop);
        endpoint.setHostRule(HostRule{false, false, "127.0.0.1"});
        host = others = 0;
        std::chrono::steady_clock::time_point lastHost;
        endpoint.OnTextFrom = [&](TKovraRepeaterXE&, const std::string&, const TextOrigin& from) {
            if (!from.host) {
                ++others;
                return;
            }
            lastHost = std::chrono::steady_clock::now();
            if (++host == kHostTexts) {
                loop.quit(0);
            }
        };
        endpoint.OpenPort();
        udp::UdpListener flooder(
            0, [](std::string_view) {}, "127.0.0.3");
        udp::UdpListener hostSocket(
            0, [](std::string_view) {}, "127.0.0.1");
        for (int i = 0; i < flood; ++i) {
            try {
                flooder.sendTo("127.0.0.1", endpoint.boundPort(),
                               buildEventDatagram("L1_INSERT_IP->127.0.0.3:" +
                                                  std::to_string(1000 + i % 60000)));
            } catch (const udp::UdpError&) {
                // the send buffer is full: the flood goes on
            }
        }
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kHostTexts; ++i) {
            hostSocket.sendTo("127.0.0.1", endpoint.boundPort(),
                              buildEventDatagram("L1_OPEN_CONFIG->"));
        }
        const auto stopper = loop.singleShot(Millis(10000), [&] { loop.quit(0); });
        loop.run();
        loop.stopTimer(stopper);
        seconds = std::chrono::duration<double>(lastHost - start).count();
        state.SetIterationTime(seconds > 0 ? seconds : 10.0);
    }
    state.counters["host_delivered"] = host;
    state.counters["host_last_ms"] = seconds * 1000;
    state.counters["flood_raised"] = others;
}
BENCHMARK(BM_HostUnderFlood)
    ->Arg(2000)
    ->Arg(20000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
