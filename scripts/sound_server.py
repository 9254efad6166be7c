"""A private PulseAudio server with virtual sound cards, for the live benchmark and demo.

As a program: sound_server.py FOLDER CARD... starts one in FOLDER, prints the environment a
program needs to see the cards (NAME=value lines, then an empty line) and runs until
SIGTERM or SIGINT, then stops the server.

PulseAudio in user mode in a folder of its own (socket, state, logs), with one stereo null
sink per card; each sink's monitor is what a pair hears. ALSA sees the cards as pcm.NAME /
ctl.NAME (type pulse) through a configuration written into the folder: ALSA's own without
its hook that loads the machine's additions, so the cards are the only named devices.
Nothing is shared with other servers or users running at the same time.
"""

import os
import signal
import sys
import shutil
import subprocess
import tempfile
import time

SYSTEM_ALSA_CONFIG = "/usr/share/alsa/alsa.conf"


def alsa_config_without_hooks():
    """ALSA's own configuration without its first hook block (the machine's additions)."""
    out = []
    skipping = skipped = False
    with open(SYSTEM_ALSA_CONFIG) as f:
        for line in f:
            if not skipped and not skipping and line.startswith("@hooks ["):
                skipping = True
                continue
            if skipping:
                if line.startswith("]"):
                    skipping, skipped = False, True
                continue
            out.append(line)
    return "".join(out)


class SoundServer:
    def __init__(self, cards, folder=None):
        for tool in ("pulseaudio", "pactl", "paplay"):
            if shutil.which(tool) is None:
                raise RuntimeError("%s is not installed (scripts/setup installs it)" % tool)
        self.cards = list(cards)
        self.folder = folder or tempfile.mkdtemp(prefix="kovra-sound.")
        os.makedirs(os.path.join(self.folder, "run"), mode=0o700, exist_ok=True)
        self.socket = os.path.join(self.folder, "native")
        self.address = "unix:" + self.socket
        with open(os.path.join(self.folder, "server.pa"), "w") as f:
            f.write("load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    % self.socket)
            # The server's default is a card of its own: "default" hears no test card.
            f.write("load-module module-null-sink sink_name=idle\nset-default-sink idle\n")
            for card in self.cards:
                f.write("load-module module-null-sink sink_name=%s format=s16le rate=16000 "
                        "channels=2\n" % card)
        self.alsa_config = os.path.join(self.folder, "asound.conf")
        with open(self.alsa_config, "w") as f:
            f.write(alsa_config_without_hooks())
            for card in self.cards:
                f.write('pcm.%s { type pulse server "%s" device "%s.monitor" }\n'
                        % (card, self.address, card))
                f.write('ctl.%s { type pulse server "%s" source "%s.monitor" sink "%s" }\n'
                        % (card, self.address, card, card))
        env = dict(os.environ, HOME=self.folder, XDG_RUNTIME_DIR=self.folder + "/run",
                   XDG_CONFIG_HOME=self.folder + "/config",
                   PULSE_RUNTIME_PATH=self.folder + "/run/pulse",
                   PULSE_STATE_PATH=self.folder + "/state")
        self.log = open(os.path.join(self.folder, "server.log"), "w")
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "-F", os.path.join(self.folder, "server.pa"),
             "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
             "--use-pid-file=no", "--system=false", "--high-priority=no", "--realtime=no",
             "--log-target=stderr"], env=env, stdout=self.log, stderr=self.log)
        self.players = []
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("PulseAudio ended at start (log: %s)" % self.log.name)
            if self.pactl("info") is not None:
                return
            time.sleep(0.1)
        self.close()
        raise RuntimeError("PulseAudio did not answer within 10 s")

    def environment(self):
        """What a program needs to see the cards."""
        return {"ALSA_CONFIG_PATH": self.alsa_config, "PULSE_SERVER": self.address}

    def pactl(self, *args):
        out = subprocess.run(["pactl", "--server=" + self.address] + list(args),
                             capture_output=True, text=True, timeout=10,
                             env=dict(os.environ, HOME=self.folder))
        return out.stdout if out.returncode == 0 else None

    def capture_volume(self, card):
        """The card's capture volume in percent, as pactl shows it; None when unknown."""
        out = self.pactl("get-source-volume", card + ".monitor") or ""
        for word in out.split():
            if word.endswith("%"):
                return int(word[:-1])
        return None

    def play(self, card, wav):
        """Starts playing a WAV file into a card; returns the player (a process)."""
        player = subprocess.Popen(
            ["paplay", "--server=" + self.address, "--device=" + card, wav],
            env=dict(os.environ, HOME=self.folder), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.players.append(player)
        return player

    def listen(self, card, rate, channels, latency_ms):
        """Starts reading what a card delivers (its monitor), raw 16-bit samples on the
        returned process's standard output, asking for latency_ms of latency."""
        reader = subprocess.Popen(
            ["parec", "--server=" + self.address, "--device=" + card + ".monitor", "--raw",
             "--format=s16le", "--rate=%d" % rate, "--channels=%d" % channels,
             "--latency-msec=%d" % latency_ms],
            env=dict(os.environ, HOME=self.folder), stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL)
        self.players.append(reader)
        return reader

    def close(self):
        for p in self.players + [self.proc]:
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def main():
    if len(sys.argv) < 3:
        sys.stderr.write("usage: sound_server.py FOLDER CARD...\n")
        return 2
    os.makedirs(sys.argv[1], exist_ok=True)
    server = SoundServer(sys.argv[2:], folder=os.path.abspath(sys.argv[1]))
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    signal.signal(signal.SIGINT, lambda *_: stop.append(1))
    for name, value in server.environment().items():
        print("%s=%s" % (name, value))
    print(flush=True)
    while not stop and server.proc.poll() is None:
        time.sleep(0.2)
    server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
