// Every open attachment of this process, so that a stop requested from
// another thread reaches the statements they are running.
#pragma once

namespace zpk::detail {

class Connection;

// Adds an attached connection.
void add_live_connection(Connection* connection);
// Removes it before it detaches; waits for a cancel in progress, so a
// connection is never cancelled while it closes.
void remove_live_connection(Connection* connection) noexcept;
// Cancels the statement each live connection is running; idle ones are left alone.
void cancel_live_statements() noexcept;
// Closes every live connection from the client side.
void abort_live_connections() noexcept;

}  // namespace zpk::detail
