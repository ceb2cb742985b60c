#pragma once
#include "WordDocument.h"
#include "protocol.h"

#include <vector>

// Writes a run's protocol into a new word-processor document: ten-point bold
// text, a paragraph per question and per option line, plain lines for the
// wrong options, a table per grid answer and the bordered summary with the
// signature line.
void writeProtocol(WordDocument &doc, const std::vector<ProtocolEntry> &entries);
