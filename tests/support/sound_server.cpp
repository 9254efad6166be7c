#include "sound_server.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>

namespace kovra::test {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartLimit = 10s;
constexpr auto kStopLimit = 5s;
constexpr const char* kSystemAlsaConfig = "/usr/share/alsa/alsa.conf";

// Starts program with args and extra environment; the child ends with the test process.
// Everything the child needs is built before the fork: other threads of the test may hold
// the allocator's lock.
int spawn(const std::vector<std::string>& argvText, const std::vector<std::string>& env,
          const std::filesystem::path& output) {
    std::vector<std::string> envText(env);
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        const bool overridden = std::any_of(env.begin(), env.end(), [&](const std::string& o) {
            return o.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (!overridden) {
            envText.push_back(entry);
        }
    }
    std::vector<char*> argv;
    for (const std::string& a : argvText) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : envText) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const pid_t pid = ::fork();
    if (pid != 0) {
        if (out >= 0) {
            ::close(out);
        }
        return pid;
    }
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (out >= 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execvpe(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

bool alive(int pid) {
    return pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0;
}

void stop(int pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, nullptr, WNOHANG) != 0) {
            return;
        }
        std::this_thread::sleep_for(20ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// ALSA's own configuration without its first hook, which loads the machine's and the
// user's additions (every installed plugin, ~/.asoundrc): the test's cards are then the
// only named devices, whatever the machine has configured.
bool writeSystemAlsaConfig(std::ostream& out) {
    std::ifstream in(kSystemAlsaConfig);
    if (!in) {
        return false;
    }
    bool skipping = false;
    bool skipped = false;
    for (std::string line; std::getline(in, line);) {
        if (!skipped && !skipping && line.rfind("@hooks [", 0) == 0) {
            skipping = true;
            continue;
        }
        if (skipping) {
            if (line.rfind("]", 0) == 0) {
                skipping = false;
                skipped = true;
            }
            continue;
        }
        out << line << "\n";
    }
    return skipped;
}

std::optional<std::string> getEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void restoreEnv(const char* name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

}  // namespace

std::unique_ptr<SoundServer> SoundServer::start(const std::vector<std::string>& cards,
                                                std::string& why) {
    if (std::system("command -v pulseaudio >/dev/null 2>&1 && command -v pactl >/dev/null "
                    "2>&1") != 0) {
        why = "PulseAudio (pulseaudio, pulseaudio-utils) is not installed";
        return nullptr;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "kovra-sound.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        why = "cannot create a folder for the sound server";
        return nullptr;
    }
    std::unique_ptr<SoundServer> server(new SoundServer());
    server->folder_ = pattern;
    server->cards_ = cards;
    const std::filesystem::path& dir = server->folder_;
    std::filesystem::create_directories(dir / "run");
    std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);

    {
        std::ofstream script(dir / "server.pa");
        script << "load-module module-native-protocol-unix auth-anonymous=1 socket="
               << (dir / "native").string() << "\n";
        // The server's default goes to a card of its own, so "pulse" and "default" hear
        // nothing that belongs to a test card.
        script << "load-module module-null-sink sink_name=idle\nset-default-sink idle\n";
        for (const std::string& card : cards) {
            script << "load-module module-null-sink sink_name=" << card
                   << " format=s16le rate=16000 channels=2\n";
        }
    }
    {
        std::ofstream alsa(dir / "asound.conf");
        if (!writeSystemAlsaConfig(alsa)) {
            why = std::string("cannot read ") + kSystemAlsaConfig;
            return nullptr;
        }
        const std::string address = server->serverAddress();
        for (const std::string& card : cards) {
            alsa << "pcm." << card << " { type pulse server \"" << address << "\" device \"" << card
                 << ".monitor\" }\n";
            alsa << "ctl." << card << " { type pulse server \"" << address << "\" source \"" << card
                 << ".monitor\" sink \"" << card << "\" }\n";
        }
    }
    const std::string home = dir.string();
    server->pid_ = spawn(
        {"pulseaudio", "-n", "-F", (dir / "server.pa").string(), "--daemonize=no",
         "--exit-idle-time=-1", "--disable-shm=yes", "--use-pid-file=no", "--system=false",
         "--high-priority=no", "--realtime=no", "--log-target=stderr"},
        {"HOME=" + home, "XDG_RUNTIME_DIR=" + home + "/run", "XDG_CONFIG_HOME=" + home + "/config",
         "PULSE_RUNTIME_PATH=" + home + "/run/pulse", "PULSE_STATE_PATH=" + home + "/state"},
        dir / "server.log");
    if (!server->waitUntilUp(why)) {
        return nullptr;
    }
    return server;
}

bool SoundServer::waitUntilUp(std::string& why) {
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!alive(pid_)) {
            pid_ = -1;
            why = "PulseAudio ended at start (log: " + (folder_ / "server.log").string() + ")";
            return false;
        }
        if (pactl("info")) {
            return true;
        }
        std::this_thread::sleep_for(100ms);
    }
    why = "PulseAudio did not answer within 10 s";
    return false;
}

SoundServer::~SoundServer() {
    if (environmentSet_) {
        restoreEnv("ALSA_CONFIG_PATH", oldAlsaConfig_);
        restoreEnv("PULSE_SERVER", oldPulseServer_);
    }
    for (const int player : players_) {
        stop(player);
    }
    stop(pid_);
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
}

std::string SoundServer::serverAddress() const {
    return "unix:" + (folder_ / "native").string();
}

std::vector<std::string> SoundServer::environment() const {
    return {"ALSA_CONFIG_PATH=" + (folder_ / "asound.conf").string(),
            "PULSE_SERVER=" + serverAddress()};
}

void SoundServer::useInThisProcess() {
    if (!environmentSet_) {
        oldAlsaConfig_ = getEnv("ALSA_CONFIG_PATH");
        oldPulseServer_ = getEnv("PULSE_SERVER");
        environmentSet_ = true;
    }
    for (const std::string& entry : environment()) {
        const auto eq = entry.find('=');
        ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
    }
}

std::optional<std::string> SoundServer::pactl(const std::string& args) const {
    const std::string command = "HOME='" + folder_.string() + "' timeout 10 pactl --server='" +
                                serverAddress() + "' " + args + " 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string out;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    if (status != 0) {
        return std::nullopt;
    }
    return out;
}

int SoundServer::captureVolumePercent(const std::string& card) const {
    const auto out = pactl("get-source-volume " + card + ".monitor");
    std::smatch match;
    if (!out || !std::regex_search(*out, match, std::regex(R"((\d+)%)"))) {
        return -1;
    }
    return std::stoi(match[1]);
}

bool SoundServer::play(const std::string& card, const std::filesystem::path& wav) const {
    const std::string command = "HOME='" + folder_.string() + "' timeout 120 paplay --server='" +
                                serverAddress() + "' --device='" + card + "' '" + wav.string() +
                                "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

bool SoundServer::playInBackground(const std::string& card, const std::filesystem::path& wav) {
    const int pid =
        spawn({"paplay", "--server=" + serverAddress(), "--device=" + card, wav.string()},
              {"HOME=" + folder_.string()}, folder_ / "paplay.log");
    if (pid <= 0) {
        return false;
    }
    players_.push_back(pid);
    return true;
}

}  // namespace kovra::test
