// Reads PDFs for the tests as the program's worker does.
#include "platform/documents/PdfText.h"

#include <QByteArrayView>

int main(int argc, char **argv)
{
    return argc == 2 && QByteArrayView(argv[1]) == Documents::pdfWorkerOption
               ? Documents::runPdfWorker()
               : 2;
}
