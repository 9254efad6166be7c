// Texts of the pair relay control: the commands and requests it recognises in received
// texts, the answers and descriptions it sends, and what its relay page shows. Each
// "L" + line prefix is added where the text has one.
#pragma once

#include <string_view>

namespace kovra::relay::control {

// Received: list requests and window commands.
inline constexpr std::string_view kAppPluged = "_APP_PLUGED->";
inline constexpr std::string_view kInsertIp = "_INSERT_IP->";
inline constexpr std::string_view kRemoveIp = "_REMOVE_IP->";
inline constexpr std::string_view kOpenConfig = "_OPEN_CONFIG->";
inline constexpr std::string_view kStartDevice = "_START_DEVICE->";
inline constexpr std::string_view kStopDevice = "_STOP_DEVICE->";
inline constexpr std::string_view kStopApp = "_STOP_APP->";  // no line prefix
inline constexpr std::string_view kIconVisible = "_ICON_VISIBLE->";
inline constexpr std::string_view kStartRec = "START_REC->";  // no line prefix, pair 1
inline constexpr std::string_view kStopRec = "STOP_REC->";    // no line prefix, pair 1
inline constexpr std::string_view kPingReply = "_PR";         // anywhere: a ping answer
inline constexpr std::string_view kArrow = "->";

// Sent.
inline constexpr std::string_view kIpInserted = "_KOVRA_IP_INSERTED->";
inline constexpr std::string_view kConnected = "_KOVRA_CONNECTED_WITH_SUCESS->";
inline constexpr std::string_view kIpRemoved = "_KOVRA_IP_REMOVED->";
inline constexpr std::string_view kPing = "_PING:";
inline constexpr std::string_view kHandshake = "_HANDSHAKE_I";
inline constexpr std::string_view kPortMark = "P";
inline constexpr std::string_view kModeAuto = "_IN_MODE_AUTO_RECORDING->";
inline constexpr std::string_view kModeManual = "_IN_MODE_MANUAL_RECORDING->";
inline constexpr std::string_view kSoundBoard = "_SOUND_BOARD->";
inline constexpr std::string_view kDeviceId = "_DEVICE_ID->";
inline constexpr std::string_view kChannelOdd = "_CHANNEL->Left Channel";
inline constexpr std::string_view kChannelEven = "_CHANNEL->Right Channel";
inline constexpr std::string_view kSource = "_SOURCE->";

// Shown on the relay page.
inline constexpr std::string_view kPlugado = "Plugado: ";
inline constexpr std::string_view kDesconectado = "Desconectado";
inline constexpr std::string_view kInserir = "Inserir: ";
inline constexpr std::string_view kRemoverOdd = "Remover: ";
inline constexpr std::string_view kRemoverEven = "Remove: ";
inline constexpr std::string_view kPingWait = "Aguarde...";
inline constexpr std::string_view kPingOnline = "OK: OnLine!";
inline constexpr std::string_view kPingNoAnswer = "Sem respostas...";
inline constexpr std::string_view kZeroPortTitle = "Erro na configuração";
inline constexpr std::string_view kZeroPortText =
    "A portas de envio e recebimento não podem ser \"Zero\".\r\nReveja suas configurações na "
    "tela \" Serviço Externo via IP\"";

}  // namespace kovra::relay::control
