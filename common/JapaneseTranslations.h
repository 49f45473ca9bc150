#pragma once

class QCoreApplication;

// Qt's own texts (stock buttons, file and folder pickers, command-line help)
// in Japanese, whatever the user's locale: every caption of the programs is
// Japanese, and a stock "Yes" next to them would not be. Returns whether
// Qt's Japanese catalogue was found.
bool InstallJapaneseTranslations(QCoreApplication& app);
