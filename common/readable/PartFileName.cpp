#include "PartFileName.h"

#include "GMimeSupport.h"
#include "HeaderText.h"
#include "MimeParameters.h"

QString ReadableFileName(GMimeObject* part)
{
    QString fileName = ReadableParameter(RawHeader(part, "Content-Disposition"), QLatin1StringView("filename"));
    if (fileName.isEmpty()) {
        fileName = ReadableParameter(RawHeader(part, "Content-Type"), QLatin1StringView("name"));
    }
    return OnOneLine(fileName);
}
