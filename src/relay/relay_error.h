// The relay endpoint's numbered error, for the application-wide error hook to log.
#pragma once

#include <stdexcept>
#include <string>

namespace kovra::relay {

class RelayError : public std::runtime_error {
  public:
    // text is the system's own message ("Erro #3820 : TKovraRepeaterXE.SendData()");
    // detail says what failed underneath (address, port, the system's reason).
    RelayError(int number, const std::string& text, std::string detail)
        : std::runtime_error(text), number_(number), detail_(std::move(detail)) {}

    int number() const noexcept { return number_; }
    const std::string& detail() const noexcept { return detail_; }

  private:
    int number_;
    std::string detail_;
};

// Sending an event message failed.
inline constexpr int kSendDataErrorNumber = 3820;
inline constexpr const char* kSendDataErrorText = "Erro #3820 : TKovraRepeaterXE.SendData()";
// A relay port of pair 1 could not be opened; the port number follows the text.
inline constexpr int kLocalPortErrorNumber = 3815;
inline constexpr const char* kLocalPortErrorText = "Erro #3815 : TKovraRepeaterXE.a5Local_Port ";

}  // namespace kovra::relay
