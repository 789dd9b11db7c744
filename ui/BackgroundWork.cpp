#include "ui/BackgroundWork.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <stdexcept>
#include <mutex>
#include <thread>
#include <vector>

namespace stp {

namespace {

struct EventCloser {
    void operator()(HANDLE event) const noexcept { CloseHandle(event); }
};

// The worker's side: its reports and its end, guarded, and the event that wakes the
// window thread for them.
struct Shared {
    std::mutex Lock;
    std::vector<std::int64_t> Reports;
    bool Done = false;
    std::exception_ptr Failure;
    std::unique_ptr<void, EventCloser> Wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

}  // namespace

void RunAnswering(const std::function<void(const TReportEvent& Report)>& Work, const TReportEvent& OnReport,
                  const std::function<void()>& Pump) {
    Shared shared;
    if (!shared.Wake) throw std::runtime_error("No event for the background work could be made.");
    std::thread worker([&shared, &Work] {
        try {
            Work([&shared](std::int64_t value) {
                {
                    const std::lock_guard<std::mutex> hold(shared.Lock);
                    shared.Reports.push_back(value);
                }
                SetEvent(shared.Wake.get());
            });
        } catch (...) {
            shared.Failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> hold(shared.Lock);
            shared.Done = true;
        }
        SetEvent(shared.Wake.get());
    });
    // The worker never waits for this thread, so it always ends; it is joined even when a
    // report's handler raises.
    struct Joiner {
        std::thread& Thread;
        ~Joiner() {
            if (Thread.joinable()) Thread.join();
        }
    } joiner{worker};
    HANDLE wake = shared.Wake.get();
    for (bool done = false; !done;) {
        MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        std::vector<std::int64_t> reports;
        {
            const std::lock_guard<std::mutex> hold(shared.Lock);
            reports.swap(shared.Reports);
            done = shared.Done;
        }
        for (std::int64_t value : reports) OnReport(value);
        Pump();
    }
    worker.join();
    if (shared.Failure) std::rethrow_exception(shared.Failure);
}

void DispatchWaitingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace stp
