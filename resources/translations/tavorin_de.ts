<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Start new file</source>
        <translation>Neue Datei beginnen</translation>
    </message>
    <message>
        <source>All your previous text will be lost</source>
        <translation>Ihr bisheriger Text geht vollständig verloren</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>Wird exportiert...</translation>
    </message>
    <message>
        <source>Export progress</source>
        <translation>Exportfortschritt</translation>
    </message>
    <message>
        <source>Text (*.txt *.text)</source>
        <translation>Text (*.txt *.text)</translation>
    </message>
    <message>
        <source>HTML (*.html *.htm *.xhtml)</source>
        <translation>HTML (*.html *.htm *.xhtml)</translation>
    </message>
    <message>
        <source>Markdown (*.md *.markdown)</source>
        <translation>Markdown (*.md *.markdown)</translation>
    </message>
    <message>
        <source>PDF (*.pdf)</source>
        <translation>PDF (*.pdf)</translation>
    </message>
    <message>
        <source>EPUB (*.epub)</source>
        <translation>EPUB (*.epub)</translation>
    </message>
    <message>
        <source>OpenDocument text (*.odt)</source>
        <translation>OpenDocument-Text (*.odt)</translation>
    </message>
    <message>
        <source>Word (*.docx)</source>
        <translation>Word (*.docx)</translation>
    </message>
    <message>
        <source>FictionBook (*.fb2 *.fb2.zip)</source>
        <translation>FictionBook (*.fb2 *.fb2.zip)</translation>
    </message>
    <message>
        <source>All readable documents (%1)</source>
        <translation>Alle lesbaren Dokumente (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>System voices (speech-dispatcher)</source>
        <translation>Systemstimmen (speech-dispatcher)</translation>
    </message>
    <message>
        <source>No system voices: %1</source>
        <translation>Keine Systemstimmen: %1</translation>
    </message>
    <message>
        <source>The pronunciation lexicon cannot be read: %1</source>
        <translation>Das Aussprachelexikon lässt sich nicht lesen: %1</translation>
    </message>
    <message>
        <source>Broken entries of the pronunciation lexicon are not applied (%1 in all): %2</source>
        <translation>Fehlerhafte Einträge des Aussprachelexikons werden nicht angewandt (%1 insgesamt): %2</translation>
    </message>
    <message>
        <source>Continuing where you stopped</source>
        <translation>Weiter an der Stelle, an der Sie aufgehört haben</translation>
    </message>
</context>
<context>
    <name>AtomicFile</name>
    <message>
        <source>it is a folder</source>
        <translation>es ist ein Ordner</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>the name is too long for its folder (%1)</source>
        <translation>der Name ist für seinen Ordner zu lang (%1)</translation>
    </message>
    <message>
        <source>cannot create files in its folder (%1)</source>
        <translation>in seinem Ordner lassen sich keine Dateien anlegen (%1)</translation>
    </message>
    <message>
        <source>cannot open its folder (%1)</source>
        <translation>sein Ordner lässt sich nicht öffnen (%1)</translation>
    </message>
    <message>
        <source>cannot create the file (%1)</source>
        <translation>die Datei lässt sich nicht anlegen (%1)</translation>
    </message>
    <message>
        <source>cannot complete the file (%1)</source>
        <translation>die Datei lässt sich nicht fertigstellen (%1)</translation>
    </message>
    <message>
        <source>the file may not have reached the disk (%1)</source>
        <translation>die Datei hat den Datenträger womöglich nicht erreicht (%1)</translation>
    </message>
    <message>
        <source>cannot write the file (%1)</source>
        <translation>die Datei lässt sich nicht schreiben (%1)</translation>
    </message>
</context>
<context>
    <name>AudioTagging</name>
    <message>
        <source>cannot write the tags</source>
        <translation>die Tags lassen sich nicht schreiben</translation>
    </message>
</context>
<context>
    <name>Bundle</name>
    <message>
        <source>Version %@ (Build %@) %@</source>
        <translation>Version %@ (Build %@) %@</translation>
    </message>
    <message>
        <source>Visit Website</source>
        <translation>Website besuchen</translation>
    </message>
    <message>
        <source>Acknowledgments</source>
        <translation>Danksagungen</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>%1 is encrypted. Enter its password:</source>
        <translation>%1 ist verschlüsselt. Geben Sie das Passwort ein:</translation>
    </message>
    <message>
        <source>Cannot open %1: %2. Enter its password:</source>
        <translation>%1 lässt sich nicht öffnen: %2. Geben Sie das Passwort ein:</translation>
    </message>
</context>
<context>
    <name>DocumentLoader</name>
    <message>
        <source>Open %1</source>
        <translation>%1 öffnen</translation>
    </message>
    <message>
        <source>The text in the editor will be replaced by the file&apos;s text.</source>
        <translation>Der Text im Editor wird durch den Text der Datei ersetzt.</translation>
    </message>
    <message>
        <source>Opening %1...</source>
        <translation>%1 wird geöffnet...</translation>
    </message>
    <message>
        <source>Opening progress</source>
        <translation>Fortschritt beim Öffnen</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 lässt sich nicht öffnen: %2</translation>
    </message>
    <message>
        <source>Recognising page %1 of %2...</source>
        <translation>Texterkennung auf Seite %1 von %2...</translation>
    </message>
</context>
<context>
    <name>Documents</name>
    <message>
        <source>cannot read this kind of document</source>
        <translation>diese Art von Dokument lässt sich nicht lesen</translation>
    </message>
    <message>
        <source>its elements nest more than %1 deep</source>
        <translation>seine Elemente sind mehr als %1 Ebenen tief verschachtelt</translation>
    </message>
    <message>
        <source>the elements of its part %1 nest more than %2 deep</source>
        <translation>die Elemente seines Teils %1 sind mehr als %2 Ebenen tief verschachtelt</translation>
    </message>
    <message>
        <source>it declares XML entities of its own, which Tavorin does not read</source>
        <translation>es deklariert eigene XML-Entitäten, die Tavorin nicht liest</translation>
    </message>
    <message>
        <source>its part %1 declares XML entities of its own, which Tavorin does not read</source>
        <translation>sein Teil %1 deklariert eigene XML-Entitäten, die Tavorin nicht liest</translation>
    </message>
    <message>
        <source>it is damaged: %1 (line %2)</source>
        <translation>es ist beschädigt: %1 (Zeile %2)</translation>
    </message>
    <message>
        <source>its part %1 is damaged: %2 (line %3)</source>
        <translation>sein Teil %1 ist beschädigt: %2 (Zeile %3)</translation>
    </message>
    <message>
        <source>its text is longer than %1 characters, more than Tavorin reads</source>
        <translation>sein Text ist länger als %1 Zeichen, mehr als Tavorin liest</translation>
    </message>
    <message>
        <source>it is a zip archive, not a book, OpenDocument text or Word document Tavorin can read</source>
        <translation>es ist ein ZIP-Archiv, kein Buch, OpenDocument-Text oder Word-Dokument, das Tavorin lesen kann</translation>
    </message>
    <message>
        <source>there is not enough memory to open it</source>
        <translation>es gibt nicht genug Speicher, um es zu öffnen</translation>
    </message>
    <message>
        <source>it holds more than %1 files, more than Tavorin reads</source>
        <translation>es enthält mehr als %1 Dateien, mehr als Tavorin liest</translation>
    </message>
    <message>
        <source>it is damaged</source>
        <translation>es ist beschädigt</translation>
    </message>
    <message>
        <source>it is damaged: %1</source>
        <translation>es ist beschädigt: %1</translation>
    </message>
    <message>
        <source>it unpacks to more than %1 MiB, more than Tavorin reads</source>
        <translation>entpackt ist es größer als %1 MiB, mehr als Tavorin liest</translation>
    </message>
    <message>
        <source>it is protected with a password</source>
        <translation>es ist mit einem Passwort geschützt</translation>
    </message>
    <message>
        <source>it is protected with a password, and the one given is wrong</source>
        <translation>es ist mit einem Passwort geschützt, und das angegebene ist falsch</translation>
    </message>
    <message>
        <source>its part %1 is missing</source>
        <translation>sein Teil %1 fehlt</translation>
    </message>
    <message>
        <source>it is a book whose container names no package document</source>
        <translation>es ist ein Buch, dessen Container kein Paketdokument nennt</translation>
    </message>
    <message>
        <source>it is a book without any chapters to read</source>
        <translation>es ist ein Buch ohne lesbare Kapitel</translation>
    </message>
    <message>
        <source>it is encrypted (protected with a password or against copying), which Tavorin cannot read</source>
        <translation>es ist verschlüsselt (mit einem Passwort oder gegen Kopieren geschützt) und lässt sich von Tavorin nicht lesen</translation>
    </message>
</context>
<context>
    <name>ExportJob</name>
    <message>
        <source>Exporting... %1</source>
        <translation>Wird exportiert... %1</translation>
    </message>
    <message>
        <source>Cannot export to %1: %2</source>
        <translation>Export nach %1 nicht möglich: %2</translation>
    </message>
    <message>
        <source>Exported to %1. %2</source>
        <translation>Nach %1 exportiert. %2</translation>
    </message>
</context>
<context>
    <name>ExportPanel</name>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Also save word t&amp;imings</source>
        <translation>Auch die &amp;Wortzeiten speichern</translation>
    </message>
    <message>
        <source>Saves a WebVTT file beside the audio, with when each word is spoken.</source>
        <translation>Speichert neben der Audiodatei eine WebVTT-Datei mit den Zeiten, zu denen jedes Wort gesprochen wird.</translation>
    </message>
    <message>
        <source>WebVTT captions (*.vtt)</source>
        <translation>WebVTT-Untertitel (*.vtt)</translation>
    </message>
    <message>
        <source>SubRip subtitles (*.srt)</source>
        <translation>SubRip-Untertitel (*.srt)</translation>
    </message>
    <message>
        <source>JSON word timings (*.json)</source>
        <translation>JSON-Wortzeiten (*.json)</translation>
    </message>
    <message>
        <source>Render &amp;with processes:</source>
        <translation>Mit Prozessen &amp;rendern:</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>A long text is rendered by up to this many processes at once, fewer when memory is short; Automatic takes one per core that other programs leave free.</source>
        <translation>Ein langer Text wird von bis zu so vielen Prozessen zugleich gerendert, von weniger, wenn der Speicher knapp ist; Automatisch nimmt einen pro Kern, den andere Programme frei lassen.</translation>
    </message>
    <message>
        <source>1 chapter will be marked</source>
        <translation>1 Kapitel wird markiert</translation>
    </message>
    <message>
        <source>%1 chapters will be marked</source>
        <translation>%1 Kapitel werden markiert</translation>
    </message>
    <message>
        <source>&amp;One file per chapter</source>
        <translation>Eine Datei je &amp;Kapitel</translation>
    </message>
    <message>
        <source>Writes each chapter to a file of its own, numbered and named by the chapter, instead of one file.</source>
        <translation>Schreibt jedes Kapitel in eine eigene Datei, nummeriert und nach dem Kapitel benannt, statt in eine einzige Datei.</translation>
    </message>
</context>
<context>
    <name>ExportProgress</name>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>%1 elapsed</source>
        <translation>%1 vergangen</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>%1 · %2 · about %3 left</source>
        <translation>%1 · %2 · noch etwa %3</translation>
    </message>
</context>
<context>
    <name>FileArgument</name>
    <message>
        <source>Cannot open %1: only files on this computer can be opened</source>
        <translation>%1 lässt sich nicht öffnen: nur Dateien auf diesem Computer lassen sich öffnen</translation>
    </message>
</context>
<context>
    <name>MainMenu</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>Ö&amp;ffnen…</translation>
    </message>
    <message>
        <source>&amp;Export…</source>
        <translation>&amp;Exportieren…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Speech</source>
        <translation>&amp;Sprachausgabe</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Vorlesen</translation>
    </message>
    <message>
        <source>P&amp;ause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stopp</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Tavorin</source>
        <translation>&amp;Über Tavorin</translation>
    </message>
    <message>
        <source>Move the &amp;Caret with the Words</source>
        <translation>&amp;Cursor mit den Wörtern bewegen</translation>
    </message>
    <message>
        <source>Export &amp;Word Timings…</source>
        <translation>&amp;Wortzeiten exportieren…</translation>
    </message>
    <message>
        <source>Speak &amp;from the Cursor</source>
        <translation>&amp;Ab dem Cursor vorlesen</translation>
    </message>
    <message>
        <source>&amp;Next Sentence</source>
        <translation>&amp;Nächster Satz</translation>
    </message>
    <message>
        <source>P&amp;revious Sentence</source>
        <translation>Vo&amp;riger Satz</translation>
    </message>
    <message>
        <source>Ne&amp;xt Paragraph</source>
        <translation>Nächster Absa&amp;tz</translation>
    </message>
    <message>
        <source>Pre&amp;vious Paragraph</source>
        <translation>Vorig&amp;er Absatz</translation>
    </message>
    <message>
        <source>Pron&amp;unciation…</source>
        <translation>A&amp;ussprache…</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Play</source>
        <translation>Vorlesen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Pause speaking</source>
        <translation>Das Vorlesen anhalten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stop speaking</source>
        <translation>Das Vorlesen beenden</translation>
    </message>
    <message>
        <source>&amp;Voice:</source>
        <translation>St&amp;imme:</translation>
    </message>
    <message>
        <source>The voice that speaks</source>
        <translation>Die Stimme, die vorliest</translation>
    </message>
    <message>
        <source>Voice</source>
        <translation>Stimme</translation>
    </message>
    <message>
        <source>&amp;Rate:</source>
        <translation>&amp;Tempo:</translation>
    </message>
    <message>
        <source>Speaking rate in words per minute</source>
        <translation>Sprechtempo in Wörtern pro Minute</translation>
    </message>
    <message>
        <source>Speaking rate</source>
        <translation>Sprechtempo</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren…</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Type, paste or open a text to speak.</source>
        <translation>Geben Sie einen Text zum Vorlesen ein, fügen Sie ihn ein oder öffnen Sie ihn.</translation>
    </message>
    <message>
        <source>Busy</source>
        <translation>Beschäftigt</translation>
    </message>
    <message>
        <source>Save the speech of the whole text as a sound file</source>
        <translation>Die Sprachausgabe des ganzen Textes als Audiodatei speichern</translation>
    </message>
    <message>
        <source>Speak the text, or the selection (Shift+F5: from the cursor)</source>
        <translation>Den Text oder die Auswahl vorlesen (Umschalt+F5: ab dem Cursor)</translation>
    </message>
    <message>
        <source>&amp;Pitch:</source>
        <translation>Ton&amp;höhe:</translation>
    </message>
    <message>
        <source>How high the voice is (50 is the voice&apos;s own)</source>
        <translation>Wie hoch die Stimme ist (50 ist die eigene Höhe der Stimme)</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Tonhöhe</translation>
    </message>
    <message>
        <source>&amp;Intonation:</source>
        <translation>Intonati&amp;on:</translation>
    </message>
    <message>
        <source>How far the voice&apos;s pitch moves (0 is a monotone, 50 the voice&apos;s own)</source>
        <translation>Wie weit sich die Tonhöhe der Stimme bewegt (0 ist monoton, 50 die eigene der Stimme)</translation>
    </message>
    <message>
        <source>Intonation</source>
        <translation>Intonation</translation>
    </message>
    <message>
        <source>Vol&amp;ume:</source>
        <translation>&amp;Lautstärke:</translation>
    </message>
    <message>
        <source>How loud the voice is, in percent</source>
        <translation>Wie laut die Stimme ist, in Prozent</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Text being spoken</source>
        <translation>Vorgelesener Text</translation>
    </message>
    <message>
        <source>A text handed to Tavorin, spoken without changing the editor</source>
        <translation>Ein an Tavorin übergebener Text, vorgelesen, ohne den Editor zu ändern</translation>
    </message>
</context>
<context>
    <name>MenuChooser</name>
    <message>
        <source>Type to find</source>
        <translation>Zum Suchen tippen</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
</context>
<context>
    <name>ParallelRender</name>
    <message>
        <source>a rendering process failed</source>
        <translation>ein Render-Prozess ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>cannot start a rendering process (%1): %2</source>
        <translation>ein Render-Prozess lässt sich nicht starten (%1): %2</translation>
    </message>
    <message>
        <source>a rendering process sent what it should not</source>
        <translation>ein Render-Prozess hat Unerwartetes gesendet</translation>
    </message>
    <message>
        <source>a rendering process was ended by %1</source>
        <translation>ein Render-Prozess wurde durch %1 beendet</translation>
    </message>
    <message>
        <source>a rendering process ended with exit status %1</source>
        <translation>ein Render-Prozess endete mit dem Status %1</translation>
    </message>
</context>
<context>
    <name>PdfText</name>
    <message>
        <source>it is locked with a password</source>
        <translation>es ist mit einem Passwort gesperrt</translation>
    </message>
    <message>
        <source>the password is wrong</source>
        <translation>das Passwort ist falsch</translation>
    </message>
    <message>
        <source>it is damaged or not a PDF document</source>
        <translation>es ist beschädigt oder kein PDF-Dokument</translation>
    </message>
    <message>
        <source>it is damaged or not a PDF document (%1)</source>
        <translation>es ist beschädigt oder kein PDF-Dokument (%1)</translation>
    </message>
    <message>
        <source>its text is longer than %1 characters</source>
        <translation>sein Text ist länger als %1 Zeichen</translation>
    </message>
    <message>
        <source>no text to read: the pages are images</source>
        <translation>kein Text zum Vorlesen: die Seiten sind Bilder</translation>
    </message>
    <message>
        <source>opening it needs more than the %1 MiB of memory allowed</source>
        <translation>das Öffnen braucht mehr als die erlaubten %1 MiB Speicher</translation>
    </message>
    <message>
        <source>page %1 needs more than the %2 MiB of memory allowed</source>
        <translation>Seite %1 braucht mehr als die erlaubten %2 MiB Speicher</translation>
    </message>
    <message>
        <source>opening it takes longer than the %1 seconds allowed</source>
        <translation>das Öffnen dauert länger als die erlaubten %1 Sekunden</translation>
    </message>
    <message>
        <source>page %1 takes longer than the %2 seconds allowed</source>
        <translation>Seite %1 dauert länger als die erlaubten %2 Sekunden</translation>
    </message>
    <message>
        <source>its reader ended with %1 while opening it</source>
        <translation>der Leseprozess endete beim Öffnen mit %1</translation>
    </message>
    <message>
        <source>its reader ended with %1 on page %2</source>
        <translation>der Leseprozess endete auf Seite %2 mit %1</translation>
    </message>
    <message>
        <source>cannot start its reader: %1</source>
        <translation>der Leseprozess lässt sich nicht starten: %1</translation>
    </message>
    <message>
        <source>it has %1 pages, more than the %2 allowed</source>
        <translation>es hat %1 Seiten, mehr als die erlaubten %2</translation>
    </message>
    <message>
        <source>the password is longer than %1 bytes</source>
        <translation>das Passwort ist länger als %1 Bytes</translation>
    </message>
</context>
<context>
    <name>PopUpButton</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>PronunciationDialog</name>
    <message>
        <source>Pronunciation</source>
        <translation>Aussprache</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Written</source>
        <translation>Geschrieben</translation>
    </message>
    <message>
        <source>Spoken</source>
        <translation>Gesprochen</translation>
    </message>
    <message>
        <source>Not applied because</source>
        <translation>Nicht angewandt, weil</translation>
    </message>
    <message>
        <source>A language code such as de or pt-br; empty for every voice</source>
        <translation>Ein Sprachkürzel wie de oder pt-br; leer für jede Stimme</translation>
    </message>
    <message>
        <source>Pronunciations</source>
        <translation>Aussprachen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Hear It</source>
        <translation>A&amp;nhören</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 lässt sich nicht lesen: %2</translation>
    </message>
    <message>
        <source>The lexicon is not saved: %1</source>
        <translation>Das Lexikon ist nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>Saved and applied.</source>
        <translation>Gespeichert und angewandt.</translation>
    </message>
    <message>
        <source>Broken entries are not applied: the last column says why.</source>
        <translation>Fehlerhafte Einträge werden nicht angewandt: die letzte Spalte sagt, warum.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Another launch of Tavorin is starting and does not finish; try again, or end the other Tavorin first</source>
        <translation>Ein anderer Start von Tavorin kommt nicht zum Abschluss; versuchen Sie es erneut oder beenden Sie zuerst das andere Tavorin</translation>
    </message>
    <message>
        <source>Tavorin is already running but does not answer; try again once it responds, or end it first</source>
        <translation>Tavorin läuft bereits, antwortet aber nicht; versuchen Sie es erneut, sobald es reagiert, oder beenden Sie es zuerst</translation>
    </message>
    <message>
        <source>The running Tavorin cannot speak the text now: it is exporting; try again when it is done</source>
        <translation>Das laufende Tavorin kann den Text jetzt nicht vorlesen: es exportiert gerade; versuchen Sie es erneut, wenn es fertig ist</translation>
    </message>
    <message>
        <source>The running Tavorin cannot speak a text handed to it; quit it and try again</source>
        <translation>Das laufende Tavorin kann keinen übergebenen Text vorlesen; beenden Sie es und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>The running Tavorin refused the request</source>
        <translation>Das laufende Tavorin hat die Anfrage abgelehnt</translation>
    </message>
</context>
<context>
    <name>SoundFileWriter</name>
    <message>
        <source>cannot start the sound file (%1)</source>
        <translation>die Audiodatei lässt sich nicht anlegen (%1)</translation>
    </message>
    <message>
        <source>the audio is too long for an %1 file; %2 can hold it</source>
        <translation>die Aufnahme ist zu lang für eine %1-Datei; %2 kann sie aufnehmen</translation>
    </message>
    <message>
        <source>cannot write the file (%1)</source>
        <translation>die Datei lässt sich nicht schreiben (%1)</translation>
    </message>
    <message>
        <source>there is no speech to write, and the file there is kept</source>
        <translation>es gibt keine Sprachausgabe zu schreiben; die vorhandene Datei bleibt erhalten</translation>
    </message>
    <message>
        <source>cannot read the speech back</source>
        <translation>die Sprache lässt sich nicht zurücklesen</translation>
    </message>
</context>
<context>
    <name>SoundFormats</name>
    <message>
        <source>AIFF audio</source>
        <translation>AIFF-Audio</translation>
    </message>
    <message>
        <source>WAV audio</source>
        <translation>WAV-Audio</translation>
    </message>
    <message>
        <source>FLAC audio</source>
        <translation>FLAC-Audio</translation>
    </message>
    <message>
        <source>Ogg Vorbis audio</source>
        <translation>Ogg-Vorbis-Audio</translation>
    </message>
    <message>
        <source>Opus audio</source>
        <translation>Opus-Audio</translation>
    </message>
    <message>
        <source>MP3 audio</source>
        <translation>MP3-Audio</translation>
    </message>
    <message>
        <source>M4B audiobook</source>
        <translation>M4B-Hörbuch</translation>
    </message>
</context>
<context>
    <name>SpeechSession</name>
    <message>
        <source>Speaking...</source>
        <translation>Wird vorgelesen...</translation>
    </message>
    <message>
        <source>Voice: %1, the voice last played</source>
        <translation>Stimme: %1, die zuletzt zum Vorlesen gewählte</translation>
    </message>
    <message>
        <source>Voice: %1, the default voice</source>
        <translation>Stimme: %1, die Standardstimme</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>A text handed to Tavorin was not spoken: an export is running.</source>
        <translation>Ein an Tavorin übergebener Text wurde nicht vorgelesen: ein Export läuft.</translation>
    </message>
</context>
<context>
    <name>SpeechSynthesizer</name>
    <message>
        <source>the speech would last some %1 hours, too long for an %2 file; %3 can hold it</source>
        <translation>die Sprachausgabe würde etwa %1 Stunden dauern, zu lang für eine %2-Datei; %3 kann sie aufnehmen</translation>
    </message>
    <message>
        <source>unknown audio format &apos;%1&apos;; the formats are %2</source>
        <translation>unbekanntes Audioformat „%1“; die Formate sind %2</translation>
    </message>
    <message>
        <source>%1 has an extension that names no audio format; the known ones are %2</source>
        <translation>die Endung von %1 nennt kein Audioformat; bekannt sind %2</translation>
    </message>
    <message>
        <source>%1 is no timing file name; timing files end in %2</source>
        <translation>%1 ist kein Name für eine Zeitendatei; Zeitendateien enden auf %2</translation>
    </message>
    <message>
        <source>there is no file to write</source>
        <translation>es gibt keine Datei zu schreiben</translation>
    </message>
    <message>
        <source>%1 is a system voice: speech-dispatcher plays it itself and hands none of its sound back, so it cannot be exported; the voices of %2 can</source>
        <translation>%1 ist eine Systemstimme: speech-dispatcher gibt sie selbst wieder und reicht nichts von ihrem Klang zurück, daher kann sie nicht exportiert werden; die Stimmen von %2 können es</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 und %2</translation>
    </message>
    <message>
        <source>%1 would be written twice: the chapter list needs a name of its own</source>
        <translation>%1 würde zweimal geschrieben: die Kapitelliste braucht einen eigenen Namen</translation>
    </message>
    <message>
        <source>%1 files hold no chapters: the text&apos;s chapters are not marked in it; %2 hold them, or a chapter list can be written beside it</source>
        <translation>%1-Dateien enthalten keine Kapitel: die Kapitel des Textes werden darin nicht markiert; %2 enthalten sie, oder eine Kapitelliste kann daneben geschrieben werden</translation>
    </message>
    <message>
        <source>there is no speech to write</source>
        <translation>es gibt keine Sprachausgabe zu schreiben</translation>
    </message>
</context>
<context>
    <name>StatusArea</name>
    <message>
        <source>Busy</source>
        <translation>Beschäftigt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stop opening the document and keep the text (Escape)</source>
        <translation>Das Öffnen abbrechen und den Text behalten (Esc)</translation>
    </message>
</context>
<context>
    <name>SystemVoices</name>
    <message>
        <source>speech-dispatcher cannot speak with %1</source>
        <translation>speech-dispatcher kann nicht mit %1 sprechen</translation>
    </message>
    <message>
        <source>speech-dispatcher lists no voices</source>
        <translation>speech-dispatcher führt keine Stimmen</translation>
    </message>
    <message>
        <source>speech-dispatcher is not running and cannot be started</source>
        <translation>speech-dispatcher läuft nicht und lässt sich nicht starten</translation>
    </message>
    <message>
        <source>speech-dispatcher stopped answering</source>
        <translation>speech-dispatcher antwortet nicht mehr</translation>
    </message>
</context>
<context>
    <name>TQAbout</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>TextFile</name>
    <message>
        <source>it is a folder</source>
        <translation>es ist ein Ordner</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>die Datei ist größer als %1 MiB</translation>
    </message>
    <message>
        <source>it is not valid UTF-8 text</source>
        <translation>der Inhalt ist kein gültiger UTF-8-Text</translation>
    </message>
</context>
<context>
    <name>WindowBindings</name>
    <message>
        <source>%1 wpm</source>
        <translation>%1 WpM</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
</context>
</TS>
