// The classic transactions: sending and receiving one file, client requests
// to a Kermit server, and the probes that tell which framing the peer speaks.
#pragma once

#include <cstdint>
#include <string>

#include "classic/classic_link.h"

namespace corvane {

// Runs a receive ('v') or send ('s') from pendingPacketType.
EngineOutcome ClassicTransferFile(ClassicLinkState& link);
int ClassicSendFileHeader(ClassicLinkState& link);
int ClassicSendData(ClassicLinkState& link);
int ClassicSendEof(const std::string& text, ClassicLinkState& link);
int ClassicSendBreak(ClassicLinkState& link);
int ClassicOpenOutput(ClassicLinkState& link);
int ClassicCloseOutput(ClassicLinkState& link);
// 1 when files.nextFileName waits to be sent (it becomes currentFileName), else 0.
// One file per transaction: the pending flag is spent whether or not the file is there.
int NextFileToSend(ClassicFileSlots& files);

// Runs a get ('r') or generic command ('g') from pendingPacketType. `request`
// is the name asked for, or the command letter followed by its argument.
EngineOutcome ClassicRequest(const std::string& request, ClassicLinkState& link);
int ClassicSendText(std::uint8_t type, const std::string& text, ClassicLinkState& link);

enum class ProbeSide { PcReceives, PcSends };
enum class PeerFraming { Wide, Classic, Unknown };
// What the peer answers within 15 s tells its framing; Unknown when it does not.
PeerFraming ProbePlatform(ProbeSide side, ClassicLinkState& link);
int ProbeSendInit(ClassicLinkState& link);
std::uint8_t ProbeReadPacket(ClassicLinkState& link);
// 1 acknowledged, 0 rejected, -1 no answer within 1 s.
int ClassicProbe(ClassicLinkState& link);
int ClassicProbeSend(ClassicLinkState& link);

}  // namespace corvane
