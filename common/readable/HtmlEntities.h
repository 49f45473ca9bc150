#pragma once

#include <QString>
#include <QStringView>

// Text with its HTML character references decoded: numeric ones (&#1234;
// &#x4D2;) and the named ones mail uses; a reference without its ";" or
// of an unknown name stays as written.
QString DecodeHtmlEntities(QStringView text);
