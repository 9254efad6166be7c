// The relay page and the diagnostics page of the pair window.
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/line_pair.h"
#include "gui/pair_window.h"
#include "platform/pair_profile.h"
#include "settings/integer_text.h"

namespace kovra::gui {

namespace {

struct RelayOption {
    const char* name;
    const char* caption;
    bool settings::PairSettings::*field;
};

constexpr std::array<RelayOption, 6> kRelayOptions = {{
    {"chkSendDTMF", "Teclas DTMF, digitadas e recebidas, em tempo real",
     &settings::PairSettings::chkSendDTMF},
    {"chkSendFormatado", "Número identificado formatado -> tipo+ddd+fone: x(xx)xxxx-xxxx ",
     &settings::PairSettings::chkSendFormatado},
    {"chkNumeroDiscado", "Número chamado (chamadas efetuadas)",
     &settings::PairSettings::chkNumeroDiscado},
    {"chkIndexPhone", "DDD+Fone sem formatação (para pesquisa em base de dados)",
     &settings::PairSettings::chkIndexPhone},
    {"chkRing", "RING (toque da campainha) e DIALTONE (tom de discar) ",
     &settings::PairSettings::chkRing},
    {"chkNameFile", "Nome do arquivo da gravação em curso (não será enviado o arquivo !)",
     &settings::PairSettings::chkNameFile},
}};

QLabel* label(QWidget* parent, const char* text) {
    return child<QLabel>(parent, QString::fromUtf8(text));
}

}  // namespace

QWidget* PairWindow::buildRelayPage() {
    settings::PairSettings& s = pair_.settings();
    relay::control::PairRelayControl& relay = pair_.relayControl();
    auto* page = child<QWidget>(this);
    auto* layout = child<QVBoxLayout>(page);
    auto* lines = child<QWidget>(page);
    auto* linesRow = child<QHBoxLayout>(lines);
    linesRow->setContentsMargins(0, 0, 0, 0);
    auto edit = [this] { changed(); };
    for (int k = 1; k <= 2; ++k) {
        auto* group = child<QGroupBox>(lines, QStringLiteral(" Linha %1 ").arg(pair_.line(k)));
        group->setObjectName(QStringLiteral("GroupLinha%1").arg(k));
        auto* form = child<QFormLayout>(group);
        auto* tcp = bindings_.check(
            group, "Ativar o envio por TCP/IP ", [&s, k]() -> bool& { return s.ChBoxTCP(k); },
            [this, &relay, &s, k] {
                // The box's click runs the switch behaviour (checks, announce, list).
                const bool on = s.ChBoxTCP(k);
                s.ChBoxTCP(k) = !on;
                relay.setChBoxTCP(k, on);
                bindings_.load();
                syncState();
            });
        tcp->setObjectName(QStringLiteral("ChBoxTCP%1").arg(k));
        auto* same = bindings_.check(
            group, "Usar somente o host local (127.0.0.1)",
            [&s, k]() -> bool& { return s.chkSameIP(k); },
            [this, &s, k] {
                if (s.chkSameIP(k)) {
                    s.EditIPLocal(k) = settings::kLocalHostAddress;
                    s.edIPRemote(k) = settings::kLocalHostAddress;
                }
                bindings_.load();
                changed();
            });
        same->setObjectName(QStringLiteral("chkSameIP%1").arg(k));
        auto* local = bindings_.text(
            group, [&s, k]() -> std::string& { return s.edPortLocal(k); }, edit);
        local->setObjectName(QStringLiteral("edPortLocal%1").arg(k));
        local->setAlignment(Qt::AlignRight);
        auto* ipLocal = bindings_.liveText(group, [&s, k] { return s.EditIPLocal(k); });
        ipLocal->setObjectName(QStringLiteral("EditIPLocal%1").arg(k));
        ipLocal->setAlignment(Qt::AlignRight);
        auto* remotePort = bindings_.text(
            group, [&s, k]() -> std::string& { return s.edPortReceive(k); }, edit);
        remotePort->setObjectName(QStringLiteral("edPortReceive%1").arg(k));
        remotePort->setAlignment(Qt::AlignRight);
        auto* remoteIp = bindings_.text(
            group, [&s, k]() -> std::string& { return s.edIPRemote(k); }, edit);
        remoteIp->setObjectName(QStringLiteral("edIPRemote%1").arg(k));
        remoteIp->setAlignment(Qt::AlignRight);
        auto* permit = bindings_.check(
            group, "Permitir receber comandos do Repeater",
            [&s, k]() -> bool& { return s.chkPermiteReceive(k); }, edit);
        permit->setObjectName(QStringLiteral("chkPermiteReceive%1").arg(k));
        auto* received =
            bindings_.liveText(group, [&relay, k] { return relay.view(k).EditReceived; });
        received->setObjectName(QStringLiteral("EditReceived%1").arg(k));
        auto* manager =
            bindings_.liveLabel(group, [&relay, k] { return relay.view(k).PanelGerenciador; });
        manager->setObjectName(QStringLiteral("PanelGerenciador%1").arg(k));
        bindings_.onTick([this, local, remotePort, remoteIp, &relay, k] {
            const bool enabled = relay.view(k).portEditsEnabled;
            for (QLineEdit* e : {local, remotePort, remoteIp}) {
                e->setEnabled(enabled);
            }
        });
        form->addRow(tcp);
        form->addRow(same);
        form->addRow(buildLocalAddressNote(group, k));
        form->addRow(label(group, "Receber pela porta local:"), local);
        form->addRow(label(group, "IP Local:"), ipLocal);
        form->addRow(label(group, "Porta remota"), remotePort);
        form->addRow(label(group, "IP remoto"), remoteIp);
        // Ping: the line's host answers while the window waits; one ping per window at a time.
        auto* ping = child<QPushButton>(group, QStringLiteral("Ping"));
        ping->setObjectName(QStringLiteral("btPing%1").arg(k));
        ping->setAutoDefault(false);
        connect(ping, &QPushButton::clicked, this, [this, &relay, k] {
            relay.btPingClick(k);
            bindings_.tick();
        });
        auto* pingResult = bindings_.liveText(group, [&relay, k] { return relay.view(k).edPing; });
        pingResult->setObjectName(QStringLiteral("edPing%1").arg(k));
        bindings_.onLoad([ping, &relay] { ping->setEnabled(relay.pingButtonsEnabled()); });
        bindings_.onTick([ping, &relay] { ping->setEnabled(relay.pingButtonsEnabled()); });
        auto* pingRow = child<QWidget>(group);
        auto* pingLayout = child<QHBoxLayout>(pingRow);
        pingLayout->setContentsMargins(0, 0, 0, 0);
        pingLayout->addWidget(ping);
        pingLayout->addWidget(pingResult, 1);
        auto* advanced =
            child<QPushButton>(group, QString::fromUtf8("Enviar para mais IP's (modo avançado)"));
        advanced->setObjectName(QStringLiteral("btIPAvanc%1").arg(k));
        advanced->setAutoDefault(false);
        connect(advanced, &QPushButton::clicked, this, [this, k] {
            if (links_.openDestinations) {
                links_.openDestinations(pair_.line(k));
            }
            bindings_.load();
            syncState();
        });
        form->addRow(pingRow);
        form->addRow(permit);
        form->addRow(label(group, "Recebido:"), received);
        form->addRow(advanced);
        form->addRow(manager);
        linesRow->addWidget(group);
    }
    layout->addWidget(lines);

    auto* options = child<QGroupBox>(
        page, QString::fromUtf8(
                  " Eventos a serem enviados aos Repeaters - válidos para ambas as linhas  "));
    auto* optionsLayout = child<QVBoxLayout>(options);
    for (const RelayOption& option : kRelayOptions) {
        auto* box = bindings_.check(
            options, option.caption, [&s, field = option.field]() -> bool& { return s.*field; },
            edit);
        box->setObjectName(QString::fromUtf8(option.name));
        optionsLayout->addWidget(box);
    }
    optionsLayout->addWidget(buildTextFileRow(options));
    layout->addWidget(options);
    layout->addStretch();
    return page;
}

QWidget* PairWindow::buildDiagnosticsPage() {
    auto* page = child<QWidget>(this);
    auto* layout = child<QHBoxLayout>(page);
    RecordingControl& recording = pair_.recordingControl();
    for (int k = 1; k <= 2; ++k) {
        line::LineChannel& c = pair_.logic().channel(k);
        auto* group = child<QGroupBox>(page, QStringLiteral(" Linha %1 ").arg(pair_.line(k)));
        auto* form = child<QFormLayout>(group);
        auto row = [this, group, form](const char* caption, const QString& name,
                                       std::function<std::string()> value) {
            auto* field = bindings_.liveText(group, std::move(value));
            field->setObjectName(name);
            form->addRow(child<QLabel>(group, QString::fromUtf8(caption)), field);
        };
        const QString n = QString::number(k);
        row("Status:", "edSTATUS_diag" + n, [this, k] { return pair_.logic().statusText(k); });
        row("Toques:", "lbRingCountDiag" + n, [&c] { return std::to_string(c.RingCount); });
        row("Teclas:", "edTodos" + n, [&c] { return c.edTodos; });
        row("Número:", "EdSeq_diag" + n, [&c] { return c.EdSeq; });
        row("Nível (dB):", "edDB_diag" + n, [&c] { return c.edDB; });
        row("Frequências (Hz):", "EditFreq" + n,
            [&c] { return c.EditFreq1 + " / " + c.EditFreq2; });
        row("Gancho:", "EditOffHook" + n, [this, k] { return pair_.logic().hookText(k); });
        if (pairProfile(pair_.pair()).line.offHookSetting) {
            // The level-based hook detection of lines 3 to 6: its reference and last stop.
            row("Ref. gancho:", "EditRefOffHook" + n, [&c] { return c.EditRefOffHook; });
            row("Parada gancho:", "edStopHook" + n, [&c] { return c.edStopHook; });
        }
        row("Mínimo (dB):", "lbDBMin" + n, [&c] { return std::to_string(c.QuietThreshold); });
        row("Margem (dB):", "lbDBMax" + n, [&c] { return std::to_string(c.LevelMargin); });
        row("Silêncio:", "lbCountDbMax" + n, [&c] { return std::to_string(c.QuietPeaks); });
        row("Rearme:", "lbRearm" + n, [&c] { return std::to_string(c.RearmHits); });
        row("Início:", "lbStartTicks" + n,
            [&recording, k] { return std::to_string(recording.counters(k).StartTicks); });
        row("Espera bina:", "lbCountTmpRecBinado" + n,
            [&recording, k] { return recording.state(k).lbCountTmpRecBinado; });
        row("Gravando:", "lbRecState" + n, [&recording, k] {
            const auto& st = recording.counters(k);
            if (!st.Recording) {
                return std::string("-");
            }
            return std::string(st.Paused ? "Pausada " : "Gravando ") +
                   std::to_string(static_cast<int>(recording.ElapsedSeconds(k))) + " sgs";
        });
        row("Finalizada por:", "lbStopModo" + n,
            [&recording, k] { return recording.counters(k).lbStopModo; });
        row("Arquivo:", "lbInfFinal" + n,
            [&recording, k] { return recording.state(k).lbInfFinal; });

        auto* buttons = child<QWidget>(group);
        auto* buttonRow = child<QHBoxLayout>(buttons);
        buttonRow->setContentsMargins(0, 0, 0, 0);
        const std::array<std::pair<const char*, const char*>, 3> kButtons = {
            {{"StartL", "Iniciar"}, {"PauseL", "Pausar"}, {"StopL", "Parar"}}};
        for (const auto& [name, caption] : kButtons) {
            auto* button = child<QPushButton>(buttons, QString::fromUtf8(caption));
            button->setObjectName(QString::fromUtf8(name) + n);
            button->setAutoDefault(false);
            const std::string which = name;
            connect(button, &QPushButton::clicked, this, [this, &recording, k, which] {
                if (which == "StartL") {
                    recording.StartLClick(k);
                } else if (which == "PauseL") {
                    recording.PauseLClick(k);
                } else {
                    recording.StopLClick(k);
                }
                bindings_.tick();
            });
            buttonRow->addWidget(button);
        }
        form->addRow(buttons);
        layout->addWidget(group);
    }
    return page;
}

}  // namespace kovra::gui
