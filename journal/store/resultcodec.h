#pragma once
#include "runresult.h"

#include <QByteArray>
#include <optional>

// A result as one self-contained text, for the outbox: everything the journal
// would store, so that a result sent later is the same as one sent at once.
QByteArray encodeResult(const RunResult &r);
// Nothing when the bytes are not a result written by encodeResult.
std::optional<RunResult> decodeResult(const QByteArray &bytes);
