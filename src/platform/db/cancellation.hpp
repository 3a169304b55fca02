// Stopping the database work of this process from another thread. A program
// that is asked to stop (a signal, a Stop button) cancels the statement each
// attachment is running; from then on no statement, transaction start or
// commit runs, so whatever was not committed is rolled back when the
// connections close, and a business operation is either wholly stored or not at all.
#pragma once

namespace zpk {

// Requests the stop: the statements running now raise EDatabaseError of kind
// cancelled, and so does every later statement, transaction start and
// commit (rollbacks and closing still work). `reason` is kept for
// stop_reason(), e.g. the signal that asked for it. Safe from any thread, but
// not from a signal handler (StopSignals calls it from a thread of its own).
void request_stop(int reason = 0);

// True once a stop was requested (until clear_stop_request).
bool stop_requested() noexcept;

// The reason given to request_stop; 0 when none was given or no stop was requested.
int stop_reason() noexcept;

// Cancels again the statements running now, once a stop was requested: one
// that started while the stop was being requested is not missed. Nothing when no
// stop was requested.
void cancel_running_statements() noexcept;

// Closes every connection of this process from the client side, once a stop
// was requested and the cancel did not take effect (a statement that does
// not come back): whatever a connection is doing fails at once, and the
// server rolls back what it had not committed. Nothing when no stop was requested.
void abort_connections() noexcept;

// Forgets the request, for a host that goes on after stopping one piece of work.
void clear_stop_request() noexcept;

// Raises EDatabaseError of kind cancelled when a stop was requested: long
// loops that wait outside the database call it to stop as promptly.
void throw_if_stop_requested();

}  // namespace zpk
