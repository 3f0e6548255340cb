// The file side of a wide exchange, shared by the client transactions and the
// server loop: the file header, data packets, and the output file's checks.
#pragma once

#include <string>

#include "wide/wide_context.h"

namespace corvane {

// What may become of a received file's name.
enum class OutputCheck { Create, Refuse, Exists };
// What became of the output file of a header just received.
enum class OutputOpen { Opened, Refused, FileExists };

// 0 when the header went out (F, or X while the context's answerAsText is set); -1 when the
// input file cannot be opened or the header would be too long for the peer.
// With `within`, only a file inside that tree is opened.
int WideSendHeader(const std::string& localName, WideLinkContext& context, const std::string& headerName,
                   const std::string& within = {});
// Bytes sent in one D packet, 0 at the end of the file, negative on a read failure.
int WideSendData(WideLinkContext& context);
// 0, or -1 when the file cannot be opened (with `within`: inside that tree).
int WideOpenInput(const std::string& path, WideLinkContext& context, const std::string& within = {});
// Creates outFile for the header just received (FileExists only in server mode).
// `outName` becomes the name created.
OutputOpen WideOpenOutput(WideLinkContext& context, const std::string& localName, std::string& outName);
// `name` may be replaced by a Save As answer.
OutputCheck WideCheckOutputName(std::string& name, const WideLinkContext& context);
// Closes a completed output file so that it stays; false when it could not be
// written completely (it is then deleted).
bool WideFinishOutput(WideLinkContext& context);
// Appends received data to outFile; false when the write failed.
bool WideWriteData(WideLinkContext& context);

}  // namespace corvane
