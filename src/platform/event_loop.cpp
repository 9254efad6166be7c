#include "platform/event_loop.h"

#include <new>
#include <string>

#include "platform/log.h"

namespace kovra {

void EventLoop::runHandler(const Task& fn) const {
    try {
        fn();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        if (errorHandler_) {
            try {
                errorHandler_(error);
                return;
            } catch (const std::exception& hookError) {
                logLine(LogLevel::Error, std::string("error hook failed: ") + hookError.what());
            }
        }
        logLine(LogLevel::Error, std::string("unhandled error: ") + error.what());
    } catch (...) {
        logLine(LogLevel::Error, "unhandled error of unknown type");
    }
}

}  // namespace kovra
