#include "preview/number_tokens.h"

#include "script/scanf_scan.h"

namespace camdrift {

bool readsAsSurprisingOctal(const std::u16string& token) {
    size_t pos = !token.empty() && (token[0] == u'+' || token[0] == u'-') ? 1 : 0;
    if (pos + 1 >= token.size() || token[pos] != u'0' || token[pos + 1] == u'x' ||
        token[pos + 1] == u'X') {
        return false;
    }
    while (pos < token.size() && token[pos] == u'0') ++pos;
    // Below 8, the octal and the decimal value agree.
    return token.size() - pos > 1;
}

bool isNumberToken(const std::u16string& token) {
    const Scan<int32_t> number = scanInt(token, 0);
    return number.converted && number.begin == 0 && number.end == token.size();
}

}  // namespace camdrift
