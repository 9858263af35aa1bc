// Test helper: writes the arguments it was started with to the file named by
// CINEVUE_RECORDER_OUT, one argument per line, percent-encoded (so that an
// argument holding a line break stays on its line). Stands in for the outside
// players: what it records is what they would receive.

#include <QByteArray>
#include <QFile>

int main(int argc, char *argv[])
{
    QFile out(QString::fromLocal8Bit(qgetenv("CINEVUE_RECORDER_OUT")));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    for (int i = 1; i < argc; ++i)
        out.write(QByteArray(argv[i]).toPercentEncoding() + '\n');
    return 0;
}
