#include "app/error_logs.h"

#include <cxxabi.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <typeinfo>

#include "platform/system/local_time.h"

namespace kovra {

namespace {

constexpr const char* kEol = "\r\n";
const std::string kRule(74, '-');

std::string demangle(const char* name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && text ? std::string(text.get()) : std::string(name);
}

bool appendText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::app | std::ios::binary);
    if (!out) {
        return false;
    }
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace

std::string formatDateTime(TimePoint t) {
    const std::tm local = localCalendarTime(t);
    char text[32];
    std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &local);
    return text;
}

ErrorLogs::ErrorLogs(std::filesystem::path programFolder, std::string executableName,
                     const StartupValues& values, TimePoint launchTime)
    : folder_(std::move(programFolder)),
      executableName_(std::move(executableName)),
      values_(values),
      launchTime_(launchTime) {}

void ErrorLogs::writeDetectorFailure(const std::string& message, TimePoint now) const {
    std::string record;
    record += kEol;
    record += "Aplicativo: " + values_.ProductTitle + kEol;
    record += "Aplicativo iniciado em: " + formatDateTime(launchTime_) + kEol;
    record += "Data e hora do erro: " + formatDateTime(now) + kEol;
    record += "Sistemna operacional: " + values_.OsName + kEol;
    record += "Mensagem: " + message + kEol;
    record += std::string("Classe do erro: ") + kEol;
    record += kEol;
    record += kRule + kEol;
    if (!appendText(detectorLogPath(), record)) {
        throw std::runtime_error("cannot write " + detectorLogPath().string() + ": " +
                                 std::strerror(errno));
    }
}

bool ErrorLogs::logException(const std::string& message, const std::string& className,
                             TimePoint now) {
    if (message.find("#3815") != std::string::npos) {
        return true;
    }
    std::string record;
    record += "Versão: " + values_.ProductVersion + kEol;
    record += "Data e hora: " + formatDateTime(now) + kEol;
    record += "Mensagem: " + message + kEol;
    record += "Classe do erro: " + className + kEol;
    record += "Function: " + ErrorContext + kEol;
    record += kEol;
    record += kRule + kEol;
    ErrorContext.clear();
    return appendText(exceptionLogPath(), record);
}

bool ErrorLogs::logException(const std::exception& error, TimePoint now) {
    return logException(error.what(), demangle(typeid(error).name()), now);
}

}  // namespace kovra
