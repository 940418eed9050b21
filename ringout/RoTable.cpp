#include "ringout/RoTable.h"

#include <iterator>

#include "common/I18n.h"

namespace ro {

namespace {

const char* const kTitles[] = {
    N_("Memory Error"),  N_("Configuration File Error"),      N_("PPP Interrupted"),
    N_("System Closed"), N_("Error occurred while starting"), N_("Connection Failed"),
};

const char* const kTexts[] = {
    N_("Not enough memory to continue.\nPlease close unnecessary applications."),
    N_("Communication Devices are not configured.\nPlease use Configuration Tools to "
       "configure."),
    N_("Communication Devices failure.\nPlease use Configuration Tools to configure."),
    N_("Cannot find /etc/ppp/options file."),
    N_("Cannot find /etc/ppp/chat_script file."),
    N_("Failed to start PPP Connection Program."),
    N_("PPP connection is disconnected."),
    N_("Do you wish to disconnect PPP connection?"),
    N_("Do you wish to close?"),
    N_("Failed to open /etc/ppp/options file."),
    N_("Failed to open /etc/ppp/chat_script file."),
    N_("Failed to read /etc/ppp/options file."),
    N_("Failed to read /etc/ppp/chat_script file."),
    N_("Failed to start Configuration Tools."),
    N_("Failed to obtain root authorities."),
    N_("Dialup Connection Tool is already started."),
    N_("Failed to dialup the host.  If the line is busy\nPlease try again later."),
};

}  // namespace

const char* MessageTitle(unsigned index) {
    return index < std::size(kTitles) ? kTitles[index] : nullptr;
}

const char* MessageText(unsigned index) {
    return index < std::size(kTexts) ? kTexts[index] : nullptr;
}

MessageParts DecodeMessage(std::uint32_t code) {
    MessageParts parts;
    parts.icon = static_cast<int>(code & MSG_ICON_MASK);
    parts.text = MessageText((code >> MSG_TEXT_SHIFT) & MSG_TEXT_MASK);
    parts.title = MessageTitle((code >> MSG_TITLE_SHIFT) & MSG_TITLE_MASK);
    parts.endProgram = (code & MSG_END_PROGRAM) != 0;
    return parts;
}

}  // namespace ro
