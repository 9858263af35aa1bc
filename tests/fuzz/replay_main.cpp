// Runs a fuzz target over stored inputs: every file below the folders (or
// the files) named on the command line goes to LLVMFuzzerTestOneInput once.
// The ordinary build links fuzz targets with this instead of libFuzzer, so
// the seeds and every input that once broke a reader run in the test suite.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER|FILE...\n", argv[0]);
        return 2;
    }
    QStringList inputs;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        const QFileInfo info(path);
        if (info.isFile()) {
            inputs.append(path);
        } else if (info.isDir()) {
            QStringList found;
            QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                found.append(it.next());
            found.sort(); // the same order on every run
            inputs += found;
        } else {
            // A misspelt folder would otherwise pass with nothing run.
            std::fprintf(stderr, "%s: no such file or folder: %s\n", argv[0], argv[i]);
            return 2;
        }
    }
    for (const QString &input : inputs) {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], qPrintable(input));
            return 2;
        }
        const QByteArray data = file.readAll();
        // Named before it runs, so that a crash says which input it was.
        std::fprintf(stderr, "%s\n", qPrintable(input));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(data.constData()), size_t(data.size()));
    }
    std::fprintf(stderr, "%lld inputs run\n", static_cast<long long>(inputs.size()));
    return 0;
}
