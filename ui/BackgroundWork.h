// Long work (writing and unpacking the payload) on a thread of its own while the window
// thread keeps handling messages: the windows paint and answer the system meanwhile, so
// none is marked "Not Responding" however long the work takes.
#pragma once

#include <cstdint>
#include <functional>

namespace stp {

using TReportEvent = std::function<void(std::int64_t value)>;

// Runs Work on a worker thread and returns when it has ended, rethrowing its exception.
// Work is given a Report function; each report reaches OnReport here, on the calling
// thread, in the order made. Meanwhile Pump handles the calling thread's waiting messages
// (whenever one arrives and after each batch of reports).
void RunAnswering(const std::function<void(const TReportEvent& Report)>& Work, const TReportEvent& OnReport,
                  const std::function<void()>& Pump);

// A Pump for windows of plain Win32: every waiting message translated and dispatched.
void DispatchWaitingMessages();

}  // namespace stp
