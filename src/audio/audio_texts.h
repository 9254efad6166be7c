// The texts of a pair's audio page ("Configurações de áudio"), kept exactly as users
// have always read them; windows show these, the models decide when.
#pragma once

namespace kovra::audio::texts {

inline constexpr const char* kWaiting = "AGUARDE... Carregando controles...";
inline constexpr const char* kCardInUse = "Esta placa já está em uso ! Selecione outra.";
inline constexpr const char* kCodecDetected =
    "Adaptador USB Audio CODEC TANVE - 2L detectado. Não precisa configurar volume e entrada "
    "de gravação !";
inline constexpr const char* kRecordingInput = "Entrada de gravação";  // lbCBDest
inline constexpr const char* kAutoVolume =
    "Para ajustar automático: marque e tire o fone do gancho (linha 1)";
inline constexpr const char* kAutoConfig = "Auto-Config Windows";
inline constexpr const char* kVolume = "Volume:";
inline constexpr const char* kIdealHint = " -> Ideal: Durante o tom de discar, este valor ->";
// The closing double quote has always been missing.
inline constexpr const char* kIdealRange = "fique entre  \"-10\" e \"-15'";
inline constexpr const char* kBoostersOff = "Desativar Buster's automaticamente";

// Adapter lists.
inline constexpr const char* kAdapterPair1[] = {"1 Linha simples", "2 Linhas simples",
                                                "2 Linhas USB (Control Hook)"};
inline constexpr const char* kLineCountCaption = "Quantidade de linhas nesta placa";
inline constexpr const char* kLineCount[] = {"1 Linha", "2 Linhas"};
inline constexpr const char* kFlash = "Minha linha possui FLASH ->";
inline constexpr const char* kFlashTime = "Tempo Flash";
inline constexpr const char* kFlashUnit = "ms (não finalizar chamada com o Flash)";

// The one-line hints (lbInfQTDLinha1..3).
inline constexpr const char* kHintPair1 =
    "Tipo do adaptador: 1 Linha simples. Neste caso, use o conector \"Microfone\" da placa de "
    "som. Para 2 Linhas simples, use o conector \"Line In\", \"Entrada\" ou \"Entrada de "
    "linha\" da placa de som).";
inline constexpr const char* kHintPairs2And3 =
    "Você selecionou: \"MICROFONE\". Neste caso: somente 1 linha (para 2 linhas você deve "
    "selecionar \"Line In\", \"Entrada\" ou \"Entrada de linha\").";
inline constexpr const char* kHintOneLine = "- Para 1 linha: Use Zendor 1L";
inline constexpr const char* kHintTwoLines = "- Para 2 linhas: Use Zendor 2L";

// The name part that marks the two-line USB adapter (this letter case only).
inline constexpr const char* kUsbCodecName = "USB Audio CODEC";

}  // namespace kovra::audio::texts
