#include "platform/db/detail/blob_access.hpp"

#include <algorithm>

namespace zpk::detail {

namespace {

// Bytes moved per segment call.
constexpr unsigned kSegment = 32768;

}  // namespace

std::string read_blob(Firebird::IAttachment* attachment, Firebird::ITransaction* transaction,
                      Firebird::IStatus* status, const ISC_QUAD& id) {
  Firebird::CheckStatusWrapper st(status);
  ISC_QUAD blob_id = id;
  Firebird::IBlob* blob = attachment->openBlob(&st, transaction, &blob_id, 0, nullptr);
  check(st);
  std::string data;
  char buffer[kSegment];
  for (;;) {
    unsigned got = 0;
    const int r = blob->getSegment(&st, sizeof buffer, buffer, &got);
    if (r == Firebird::IStatus::RESULT_OK || r == Firebird::IStatus::RESULT_SEGMENT) {
      data.append(buffer, got);
      continue;
    }
    if (r == Firebird::IStatus::RESULT_NO_DATA) break;
    blob->release();
    check(st);
  }
  blob->close(&st);
  if (failed(st)) blob->release();
  return data;
}

ISC_QUAD write_blob(Firebird::IAttachment* attachment, Firebird::ITransaction* transaction,
                    Firebird::IStatus* status, std::string_view data, std::string_view statement) {
  Firebird::CheckStatusWrapper st(status);
  ISC_QUAD id;
  Firebird::IBlob* blob = attachment->createBlob(&st, transaction, &id, 0, nullptr);
  check(st, statement);
  for (size_t done = 0; done < data.size();) {
    const unsigned chunk = static_cast<unsigned>(std::min<size_t>(data.size() - done, kSegment));
    blob->putSegment(&st, chunk, data.data() + done);
    if (failed(st)) {
      blob->release();
      check(st, statement);
    }
    done += chunk;
  }
  blob->close(&st);
  if (failed(st)) {
    blob->release();
    check(st, statement);
  }
  return id;
}

}  // namespace zpk::detail
