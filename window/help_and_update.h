#pragma once

// What the help and data-update buttons show and open.

#include <QString>
#include <QStringView>

namespace gegu {

// The web page from which new data files are downloaded by hand, as set when Gegu is built;
// empty for the page installed with the program, which says how to get a data file.
inline constexpr QStringView UpdatePageAddress = u"" GEGU_UPDATE_PAGE;

// The address the data-update button opens: UpdatePageAddress, or the installed page's.
QString updatePageAddress();

// The help and support text: eight items, each but the last followed by three LF CR pairs,
// the last by one.
QString helpText();

} // namespace gegu
