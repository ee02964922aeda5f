// libFuzzer entry: a product parameter file, loaded after the real common file into a data
// bus of its own, as the agent loads its parameters at start-up.
#include "settings/DataBus.h"
#include "settings/ProductParams.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    // The settings class reads only files.
    static const QString path =
        QDir(FuzzSupport::scratchFolder()).filePath(QStringLiteral("product-fuzz.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    DataBus bus;
    ProductParams loader(QString::fromLatin1(ProductParams::DEFAULT_VALUES_FILE), path, bus);
    loader.load();
    return 0;
}
