#include "help_and_update.h"

#include "holdings/data_file.h"

#include <QUrl>
#include <filesystem>

namespace gegu {

QString updatePageAddress() {
    if (!UpdatePageAddress.isEmpty())
        return UpdatePageAddress.toString();
    for (const NativePath& place : installedFilePlaces(u"update.html")) {
        std::error_code error;
        if (std::filesystem::is_regular_file(place, error))
            return QUrl::fromLocalFile(displayName(std::filesystem::absolute(place))).toString();
    }
    return {};
}

QString helpText() {
    static const char16_t* const items[] = {
        u"    感谢您对此软件的支持！本软件为免费软件，您可以使用全部功能。",
        u"    本软件从开发制作以来，特别是数据收集整理，作者本人付出了相当多的时间和精力。因此如果"
        u"您对本人的努力表示认可，并愿意为此给予奖励，您可以向下面的银行账号汇款，汇款数目，由您决"
        u"定。"
        u"有了您的奖赏，作者才会投入更多的精力，来使软件变得更加完善。",
        u"    "
        u"在您汇款以后，请与本人取得联系，如果您有自己的经营项目，您将可以通过本软件发布您的商业"
        u"信息。",
        u"开户银行：工商银行白石市东岸支行",
        u"银行账号：6543 2109 8765 4321 098",
        u"户\u3000\u3000名：Tessaly",
        u"咨询电话：0555-2468013",
        u"任何疑问请来电咨询，查看时效，风险自担。",
    };
    QString text;
    for (const char16_t* item : items) {
        if (!text.isEmpty())
            text += u"\n\r\n\r\n\r";
        text += QString::fromUtf16(item);
    }
    text += u"\n\r";
    return text;
}

} // namespace gegu
