#include "lifecyclerecorder.h"

class BetaPlugin : public RecordingPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID HOST_PLUGIN_IID FILE "beta.json")

public:
    BetaPlugin() : RecordingPlugin(QStringLiteral("Beta")) { }
};

#include "betaplugin.moc"
