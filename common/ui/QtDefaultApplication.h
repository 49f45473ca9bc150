#pragma once

#include "DefaultApplication.h"

// The desktop's own choice, through Qt's desktop services.
class QtDefaultApplication : public DefaultApplication {
public:
    bool OpenFile(const QString& path) override;
};
