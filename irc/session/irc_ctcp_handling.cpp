#include "irc/protocol/ctcp.h"
#include "irc/protocol/incoming_messages.h"
#include "irc/session/irc_client.h"
#include "shell/base/datetime.h"

// CTCP queries and replies, and the DCC requests carried by them.

namespace zelmo {

std::string TIdIRC::CtcpReplyText(int word) const {
  switch (word) {
    case ctcpFinger:
      return Replies.Finger;
    case ctcpUserInfo:
      return Replies.UserInfo;
    case ctcpVersion:
      return Replies.Version;
    case ctcpClientInfo:
      return Replies.ClientInfo;
    case ctcpTime:
      return "Local time is " + NowText();
    default:
      return {};
  }
}

// Queries are held for the sender once more, as the line is: a listener
// sees the record as the client's own handling does.
void TIdIRC::Receive(const incoming::CtcpQuery& message, TIdIRCUser*) {
  UserHold user(Users, line_.SenderNick, line_.SenderAddress);
  TIdIRCChannel* channel = Channels.Find(message.target);
  bool suppress = false;
  const int word = CtcpWordIndex(message.command);
  switch (word) {
    case ctcpAction:
      events_->OnAction(user.get(), channel, message.arguments);
      break;
    case ctcpDcc:
      HandleDcc(message.arguments);
      break;
    case ctcpPing:
    case ctcpFinger:
    case ctcpUserInfo:
    case ctcpVersion:
    case ctcpClientInfo:
    case ctcpTime: {
      events_->OnCTCPQuery(user.get(), channel, message.command, message.arguments, suppress);
      if (suppress) break;
      std::string reply = word == ctcpPing ? message.arguments : CtcpReplyText(word);
      CTCPReply(line_.SenderNick, message.command, reply);
      break;
    }
    default:  // SOUND, ERROR and words outside the table get no answer
      events_->OnCTCPQuery(user.get(), channel, message.command, message.arguments, suppress);
      break;
  }
}

void TIdIRC::Receive(const incoming::CtcpReply& message, TIdIRCUser*) {
  UserHold user(Users, line_.SenderNick, line_.SenderAddress);
  if (CtcpWordIndex(message.command) == ctcpDcc) return;
  events_->OnCTCPReply(user.get(), Channels.Find(message.target), message.command,
                       message.arguments);
}

void TIdIRC::HandleDcc(const std::string& arguments) {
  DccRequest request(arguments);
  const std::string& nick = line_.SenderNick;
  switch (request.Kind()) {
    case dccSend:
      events_->OnDCCSend(nick, request.Word(2), request.Word(3), request.Word(1), request.Word(4));
      break;
    case dccChat:
      events_->OnDCCChat(nick, request.Word(2), request.Word(3));
      break;
    case dccResume:
      events_->OnDCCResume(nick, request.Word(2), request.Word(1), request.Word(3));
      break;
    case dccAccept:
      events_->OnDCCAccept(nick, request.Word(2), request.Word(1), request.Word(3));
      break;
    default:
      break;
  }
}

}  // namespace zelmo
