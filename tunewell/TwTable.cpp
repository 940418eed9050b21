#include "tunewell/TwTable.h"

#include <utility>

#include "common/I18n.h"

namespace tw {

namespace {

const char* const kSystemTexts[] = {
    "",
    N_("Not enough memory to continue.\nPlease close unnecessary applications."),
    N_("Failed to obtain root authorities."),
    N_("Failed to obtain environment $WYCFG."),
};

const char* const kNetworkTexts[] = {
    N_("Invalid Name Server Address.\nUse the values 0 to 255."),
    N_("Invalid IP Address.\nUse the values 0 to 255."),
    N_("Invalid Netmask.\nUse the values 0 to 255."),
    N_("Invalid GateWay.\nUse the values 0 to 255."),
    N_("Invalid Host Name.\nUse only 0-9, a-z, A-Z and hyphen (-) for Host Name."),
    N_("Invalid Domain Name.\nUse only 0-9, a-z, A-Z and hyphen (-) for Domain Name."),
    N_("The address is already used."),
    N_("Failed to configure Host Name."),
    N_("Failed to configure Domain Name."),
    N_("Host Name is not configured."),
    N_("Domain Name is not configured."),
    N_("Host Name is too long."),
    N_("Domain Name is too long."),
    N_("ESS-ID is not configured."),
    N_("ESS-ID is too long.\nPlease input 32 or less alpha-numeral, and '_'."),
    N_("Cipher Key is not configured."),
    N_("Cipher Key is too long."),
    N_("Cipher Key is too long.\nWhen you input by hexadecimal, please input ten digits which "
       "start by '0x'."),
    N_("Cipher Key is too short.\nWhen you input by hexadecimal, please input ten digits which "
       "start by '0x'."),
    N_("Invalid Cipher Key.\nPlease input hexadecimal or alpha-numeral, and '_'."),
    N_("Cipher Key is too long.\nWhen you input by string, please input five alpha-numeral, and "
       "'_'."),
    N_("Cipher Key is too short.\nWhen you input by string, please input five alpha-numeral, and "
       "'_'."),
    N_("Invalid ESS-ID.\nPlease input 32 or less alpha-numeral, and '_'."),
    N_("Cipher Key is not configured.\nInsert correct Cipher Key."),
    N_("Invalid Cipher Key."),
};

const char* const kDialupTexts[] = {
    N_("Telephone Number is not configured."),
    N_("Invalid Telephone Number. (Too long)"),
    N_("Invalid Telephone Number. \nUse only numerical values."),
    N_("Account Name is not configured."),
    N_("Invalid Account Name. (Too long)"),
    N_("Password is not configured.\nInsert correct Password."),
    N_("Invalid Password. (Too long)"),
    N_("Invalid Password."),
    N_("Invalid additional AT commands.\nThe AT command is too long."),
    N_("Invalid Account Name."),
    N_("A password that begins with \"@/\" cannot be used with PAP or CHAP:\nthe PPP "
       "program would read a file of that name instead."),
};

const char* const kTimeTexts[] = {
    N_("Invalid YEAR is inserted."),       N_("Invalid DATE is inserted."),
    N_("Invalid TIME is inserted."),       N_("TIMEZONE Information file is not exists."),
    N_("Failed to set the system clock."),
};

const char* const kFileTexts[] = {
    N_("Failed to open following file.\n%s"),
    N_("Failed to read following file.\n%s"),
    N_("Failed to write following file.\n%s"),
    N_("Following Executable File not exists.\n%s"),
    N_("Failed in acquisition of the value from a file.\n%s"),
    N_("Following program failed.\n%s"),
    N_("Another program is changing the settings.\nPlease try again later."),
};

const char* const kInformationTexts[] = {
    N_("Inserted configuration set is now reflected to the computer."),
};

template <std::size_t N>
const char* Pick(const char* const (&table)[N], unsigned index) {
    return index < N ? table[index] : "";
}

TwMessageHandler& Handler() {
    static TwMessageHandler handler;
    return handler;
}

}  // namespace

const char* TwMessageText(int code) {
    if (code == TW_FAILED || code == TW_NET_SILENT || code == TW_DIAL_SILENT) {
        return "";
    }
    const unsigned index = static_cast<unsigned>(code) & 0xFFFFu;
    switch (TwCodeClass(code)) {
        case TW_CLASS_SYSTEM:
            return Pick(kSystemTexts, index);
        case TW_CLASS_NETWORK:
            return Pick(kNetworkTexts, index);
        case TW_CLASS_DIALUP:
            return Pick(kDialupTexts, index);
        case TW_CLASS_TIME:
            return Pick(kTimeTexts, index);
        case TW_CLASS_FILE:
            return Pick(kFileTexts, index);
        case TW_CLASS_INFORMATION:
            return Pick(kInformationTexts, index);
        default:
            return "";
    }
}

std::string TwMessageString(int code, const std::string& text) {
    const char* raw = TwMessageText(code);
    if (*raw == '\0') {
        return "";
    }
    std::string message = _(raw);
    if (TwCodeClass(code) == TW_CLASS_FILE && !text.empty()) {
        // Only the first "%s" is a filler; the rest of the text is shown as is.
        std::string::size_type at = message.find("%s");
        if (at != std::string::npos) {
            message.replace(at, 2, text);
        }
    }
    return message;
}

TwMessageHandler SetTwMessageHandler(TwMessageHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

int TwReport(int code, const std::string& text, int style) {
    if (code == 0 || code == TW_FAILED || !Handler()) {
        return 0;
    }
    return Handler()(code, text, style);
}

}  // namespace tw
