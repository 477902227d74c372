// Fuzzes the safe extractor with any bytes as a downloaded archive: whatever the result, nothing
// appears beside the target folder, nothing inside it is a link or leads outside, and a refused
// archive leaves the (empty) folder empty. Address and UB sanitizers catch the rest.
#include "fuzzcheck.h"
#include "safearchive.h"

#include <QBuffer>
#include <QDirIterator>
#include <QTemporaryDir>

#include <cstdint>

namespace {
QTemporaryDir g_box;  // made before the first input
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    check(g_box.isValid());
    const QString box = QFileInfo(g_box.path()).canonicalFilePath();
    const QString target = box + "/target";
    check(QDir().mkpath(target));

    QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QBuffer buffer(&bytes);
    SafeArchive::Limits limits;
    limits.maxEntries = 64;
    limits.maxTotalBytes = 1 << 20;
    QStringList files;
    const SafeArchive::Result result = SafeArchive::extract(&buffer, target, &files, limits);

    check(QDir(box).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot) ==
          QStringList{"target"});
    int found = 0;
    QDirIterator it(target, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        check(!info.isSymLink());
        check(info.canonicalFilePath().startsWith(target + "/"));
        ++found;
    }
    if (result != SafeArchive::Extracted)
        check(found == 0 && files.isEmpty());
    for (const QString& file : files)
        check(QFileInfo(file).isFile() && file.startsWith(target + "/"));

    check(QDir(target).removeRecursively());
    return 0;
}
