// The RTF reader on any bytes: it returns, within the time limit, with a document it can lay
// out; no input crashes it, loops it or makes it read outside its buffer.
#include "FuzzSupport.h"
#include "richtext/RtfReader.h"

#include <QTextDocument>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz::startApplication(argc, argv, true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The reader's own copy: fromRawData would let it see the fuzzer's exact bounds only.
    const QByteArray rtf(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument document;
    const bool read = readRtf(rtf, &document);
    if (!read && !document.isEmpty())
        fuzz::broken(QStringLiteral("a refused text left a document behind"));
    // Laying the document out reaches every format the reader set.
    document.setTextWidth(400);
    (void)document.size();
    (void)document.toPlainText();
    return 0;
}
