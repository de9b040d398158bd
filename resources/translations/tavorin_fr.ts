<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About %1</source>
        <translation>À propos de %1</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Start new file</source>
        <translation>Commencer un nouveau fichier</translation>
    </message>
    <message>
        <source>All your previous text will be lost</source>
        <translation>Tout votre texte précédent sera perdu</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>Exportation en cours...</translation>
    </message>
    <message>
        <source>Export progress</source>
        <translation>Progression de l’exportation</translation>
    </message>
    <message>
        <source>Text (*.txt *.text)</source>
        <translation>Texte (*.txt *.text)</translation>
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
        <translation>Texte OpenDocument (*.odt)</translation>
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
        <translation>Tous les documents lisibles (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>System voices (speech-dispatcher)</source>
        <translation>Voix du système (speech-dispatcher)</translation>
    </message>
    <message>
        <source>No system voices: %1</source>
        <translation>Aucune voix du système&#xa0;: %1</translation>
    </message>
    <message>
        <source>The pronunciation lexicon cannot be read: %1</source>
        <translation>Le lexique de prononciation ne peut pas être lu : %1</translation>
    </message>
    <message>
        <source>Broken entries of the pronunciation lexicon are not applied (%1 in all): %2</source>
        <translation>Les entrées erronées du lexique de prononciation ne sont pas appliquées (%1 en tout) : %2</translation>
    </message>
    <message>
        <source>Continuing where you stopped</source>
        <translation>Reprise là où vous vous étiez arrêté</translation>
    </message>
</context>
<context>
    <name>AtomicFile</name>
    <message>
        <source>it is a folder</source>
        <translation>c’est un dossier</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>ce n’est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>the name is too long for its folder (%1)</source>
        <translation>le nom est trop long pour son dossier (%1)</translation>
    </message>
    <message>
        <source>cannot create files in its folder (%1)</source>
        <translation>impossible de créer des fichiers dans son dossier (%1)</translation>
    </message>
    <message>
        <source>cannot open its folder (%1)</source>
        <translation>impossible d’ouvrir son dossier (%1)</translation>
    </message>
    <message>
        <source>cannot create the file (%1)</source>
        <translation>impossible de créer le fichier (%1)</translation>
    </message>
    <message>
        <source>cannot complete the file (%1)</source>
        <translation>impossible de terminer le fichier (%1)</translation>
    </message>
    <message>
        <source>the file may not have reached the disk (%1)</source>
        <translation>le fichier n’a peut-être pas atteint le disque (%1)</translation>
    </message>
    <message>
        <source>cannot write the file (%1)</source>
        <translation>impossible d’écrire le fichier (%1)</translation>
    </message>
</context>
<context>
    <name>AudioTagging</name>
    <message>
        <source>cannot write the tags</source>
        <translation>impossible d’écrire les étiquettes</translation>
    </message>
</context>
<context>
    <name>Bundle</name>
    <message>
        <source>Version %@ (Build %@) %@</source>
        <translation>Version %@ (build %@) %@</translation>
    </message>
    <message>
        <source>Visit Website</source>
        <translation>Visiter le site web</translation>
    </message>
    <message>
        <source>Acknowledgments</source>
        <translation>Remerciements</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Non</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Oui</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>%1 is encrypted. Enter its password:</source>
        <translation>%1 est chiffré. Saisissez son mot de passe&#xa0;:</translation>
    </message>
    <message>
        <source>Cannot open %1: %2. Enter its password:</source>
        <translation>Impossible d’ouvrir %1&#xa0;: %2. Saisissez son mot de passe&#xa0;:</translation>
    </message>
</context>
<context>
    <name>DocumentLoader</name>
    <message>
        <source>Open %1</source>
        <translation>Ouvrir %1</translation>
    </message>
    <message>
        <source>The text in the editor will be replaced by the file&apos;s text.</source>
        <translation>Le texte de l’éditeur sera remplacé par celui du fichier.</translation>
    </message>
    <message>
        <source>Opening %1...</source>
        <translation>Ouverture de %1...</translation>
    </message>
    <message>
        <source>Opening progress</source>
        <translation>Progression de l’ouverture</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>Impossible d’ouvrir %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Recognising page %1 of %2...</source>
        <translation>Reconnaissance de la page %1 sur %2...</translation>
    </message>
</context>
<context>
    <name>Documents</name>
    <message>
        <source>cannot read this kind of document</source>
        <translation>ce type de document ne peut pas être lu</translation>
    </message>
    <message>
        <source>its elements nest more than %1 deep</source>
        <translation>ses éléments sont imbriqués sur plus de %1 niveaux</translation>
    </message>
    <message>
        <source>the elements of its part %1 nest more than %2 deep</source>
        <translation>les éléments de sa partie %1 sont imbriqués sur plus de %2 niveaux</translation>
    </message>
    <message>
        <source>it declares XML entities of its own, which Tavorin does not read</source>
        <translation>il déclare ses propres entités XML, que Tavorin ne lit pas</translation>
    </message>
    <message>
        <source>its part %1 declares XML entities of its own, which Tavorin does not read</source>
        <translation>sa partie %1 déclare ses propres entités XML, que Tavorin ne lit pas</translation>
    </message>
    <message>
        <source>it is damaged: %1 (line %2)</source>
        <translation>il est endommagé&#xa0;: %1 (ligne %2)</translation>
    </message>
    <message>
        <source>its part %1 is damaged: %2 (line %3)</source>
        <translation>sa partie %1 est endommagée&#xa0;: %2 (ligne %3)</translation>
    </message>
    <message>
        <source>its text is longer than %1 characters, more than Tavorin reads</source>
        <translation>son texte dépasse %1 caractères, plus que ce que lit Tavorin</translation>
    </message>
    <message>
        <source>it is a zip archive, not a book, OpenDocument text or Word document Tavorin can read</source>
        <translation>c’est une archive zip, pas un livre, un texte OpenDocument ou un document Word que Tavorin sait lire</translation>
    </message>
    <message>
        <source>there is not enough memory to open it</source>
        <translation>la mémoire ne suffit pas pour l’ouvrir</translation>
    </message>
    <message>
        <source>it holds more than %1 files, more than Tavorin reads</source>
        <translation>il contient plus de %1 fichiers, plus que ce que lit Tavorin</translation>
    </message>
    <message>
        <source>it is damaged</source>
        <translation>il est endommagé</translation>
    </message>
    <message>
        <source>it is damaged: %1</source>
        <translation>il est endommagé&#xa0;: %1</translation>
    </message>
    <message>
        <source>it unpacks to more than %1 MiB, more than Tavorin reads</source>
        <translation>décompressé, il dépasse %1 Mio, plus que ce que lit Tavorin</translation>
    </message>
    <message>
        <source>it is protected with a password</source>
        <translation>il est protégé par un mot de passe</translation>
    </message>
    <message>
        <source>it is protected with a password, and the one given is wrong</source>
        <translation>il est protégé par un mot de passe, et celui donné est faux</translation>
    </message>
    <message>
        <source>its part %1 is missing</source>
        <translation>sa partie %1 manque</translation>
    </message>
    <message>
        <source>it is a book whose container names no package document</source>
        <translation>c’est un livre dont le conteneur ne nomme aucun document de paquet</translation>
    </message>
    <message>
        <source>it is a book without any chapters to read</source>
        <translation>c’est un livre sans aucun chapitre à lire</translation>
    </message>
    <message>
        <source>it is encrypted (protected with a password or against copying), which Tavorin cannot read</source>
        <translation>il est chiffré (protégé par un mot de passe ou contre la copie), ce que Tavorin ne sait pas lire</translation>
    </message>
</context>
<context>
    <name>ExportJob</name>
    <message>
        <source>Exporting... %1</source>
        <translation>Exportation... %1</translation>
    </message>
    <message>
        <source>Cannot export to %1: %2</source>
        <translation>Impossible d’exporter vers %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Exported to %1. %2</source>
        <translation>Exporté vers %1. %2</translation>
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
        <translation>Enregistrer aussi les &amp;temps des mots</translation>
    </message>
    <message>
        <source>Saves a WebVTT file beside the audio, with when each word is spoken.</source>
        <translation>Enregistre à côté du fichier audio un fichier WebVTT indiquant quand chaque mot est prononcé.</translation>
    </message>
    <message>
        <source>WebVTT captions (*.vtt)</source>
        <translation>Sous-titres WebVTT (*.vtt)</translation>
    </message>
    <message>
        <source>SubRip subtitles (*.srt)</source>
        <translation>Sous-titres SubRip (*.srt)</translation>
    </message>
    <message>
        <source>JSON word timings (*.json)</source>
        <translation>Temps des mots en JSON (*.json)</translation>
    </message>
    <message>
        <source>Render &amp;with processes:</source>
        <translation>Rendre &amp;avec des processus&#xa0;:</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatique</translation>
    </message>
    <message>
        <source>A long text is rendered by up to this many processes at once, fewer when memory is short; Automatic takes one per core that other programs leave free.</source>
        <translation>Un long texte est rendu par au plus autant de processus à la fois, moins quand la mémoire manque&#xa0;; Automatique en prend un par cœur que les autres programmes laissent libre.</translation>
    </message>
    <message>
        <source>1 chapter will be marked</source>
        <translation>1 chapitre sera marqué</translation>
    </message>
    <message>
        <source>%1 chapters will be marked</source>
        <translation>%1 chapitres seront marqués</translation>
    </message>
    <message>
        <source>&amp;One file per chapter</source>
        <translation>Un fichier par &amp;chapitre</translation>
    </message>
    <message>
        <source>Writes each chapter to a file of its own, numbered and named by the chapter, instead of one file.</source>
        <translation>Écrit chaque chapitre dans un fichier à lui, numéroté et nommé d’après le chapitre, au lieu d’un seul fichier.</translation>
    </message>
</context>
<context>
    <name>ExportProgress</name>
    <message>
        <source>%1%</source>
        <translation>%1&#xa0;%</translation>
    </message>
    <message>
        <source>%1 elapsed</source>
        <translation>%1 écoulé</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>%1 · %2 · about %3 left</source>
        <translation>%1 · %2 · environ %3 restant</translation>
    </message>
</context>
<context>
    <name>FileArgument</name>
    <message>
        <source>Cannot open %1: only files on this computer can be opened</source>
        <translation>Impossible d’ouvrir %1&#xa0;: seuls les fichiers de cet ordinateur peuvent être ouverts</translation>
    </message>
</context>
<context>
    <name>MainMenu</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Nouveau</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>&amp;Ouvrir…</translation>
    </message>
    <message>
        <source>&amp;Export…</source>
        <translation>&amp;Exporter…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Speech</source>
        <translation>&amp;Lecture</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Lire</translation>
    </message>
    <message>
        <source>P&amp;ause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Arrêter</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;About Tavorin</source>
        <translation>À &amp;propos de Tavorin</translation>
    </message>
    <message>
        <source>Move the &amp;Caret with the Words</source>
        <translation>Déplacer le &amp;curseur avec les mots</translation>
    </message>
    <message>
        <source>Export &amp;Word Timings…</source>
        <translation>Exporter les &amp;temps des mots…</translation>
    </message>
    <message>
        <source>Speak &amp;from the Cursor</source>
        <translation>Lire à partir d&amp;u curseur</translation>
    </message>
    <message>
        <source>&amp;Next Sentence</source>
        <translation>Phrase &amp;suivante</translation>
    </message>
    <message>
        <source>P&amp;revious Sentence</source>
        <translation>Phrase p&amp;récédente</translation>
    </message>
    <message>
        <source>Ne&amp;xt Paragraph</source>
        <translation>Paragraphe suiva&amp;nt</translation>
    </message>
    <message>
        <source>Pre&amp;vious Paragraph</source>
        <translation>Paragraphe précé&amp;dent</translation>
    </message>
    <message>
        <source>Pron&amp;unciation…</source>
        <translation>Pr&amp;ononciation…</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Play</source>
        <translation>Lire</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Pause speaking</source>
        <translation>Mettre la lecture en pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Stop speaking</source>
        <translation>Arrêter la lecture</translation>
    </message>
    <message>
        <source>&amp;Voice:</source>
        <translation>&amp;Voix&#xa0;:</translation>
    </message>
    <message>
        <source>The voice that speaks</source>
        <translation>La voix qui lit le texte</translation>
    </message>
    <message>
        <source>Voice</source>
        <translation>Voix</translation>
    </message>
    <message>
        <source>&amp;Rate:</source>
        <translation>&amp;Débit&#xa0;:</translation>
    </message>
    <message>
        <source>Speaking rate in words per minute</source>
        <translation>Débit de parole en mots par minute</translation>
    </message>
    <message>
        <source>Speaking rate</source>
        <translation>Débit de parole</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exporter…</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texte</translation>
    </message>
    <message>
        <source>Type, paste or open a text to speak.</source>
        <translation>Saisissez, collez ou ouvrez un texte à lire.</translation>
    </message>
    <message>
        <source>Busy</source>
        <translation>Occupé</translation>
    </message>
    <message>
        <source>Save the speech of the whole text as a sound file</source>
        <translation>Enregistrer la lecture de tout le texte dans un fichier audio</translation>
    </message>
    <message>
        <source>Speak the text, or the selection (Shift+F5: from the cursor)</source>
        <translation>Lire le texte ou la sélection (Maj+F5&#xa0;: à partir du curseur)</translation>
    </message>
    <message>
        <source>&amp;Pitch:</source>
        <translation>&amp;Hauteur&#xa0;:</translation>
    </message>
    <message>
        <source>How high the voice is (50 is the voice&apos;s own)</source>
        <translation>La hauteur de la voix (50 est celle de la voix)</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Hauteur</translation>
    </message>
    <message>
        <source>&amp;Intonation:</source>
        <translation>&amp;Intonation&#xa0;:</translation>
    </message>
    <message>
        <source>How far the voice&apos;s pitch moves (0 is a monotone, 50 the voice&apos;s own)</source>
        <translation>L’amplitude des variations de hauteur (0 est monocorde, 50 celle de la voix)</translation>
    </message>
    <message>
        <source>Intonation</source>
        <translation>Intonation</translation>
    </message>
    <message>
        <source>Vol&amp;ume:</source>
        <translation>V&amp;olume&#xa0;:</translation>
    </message>
    <message>
        <source>How loud the voice is, in percent</source>
        <translation>Le volume de la voix, en pour cent</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Text being spoken</source>
        <translation>Texte en cours de lecture</translation>
    </message>
    <message>
        <source>A text handed to Tavorin, spoken without changing the editor</source>
        <translation>Un texte transmis à Tavorin, lu sans modifier l’éditeur</translation>
    </message>
</context>
<context>
    <name>MenuChooser</name>
    <message>
        <source>Type to find</source>
        <translation>Tapez pour chercher</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Chercher</translation>
    </message>
</context>
<context>
    <name>ParallelRender</name>
    <message>
        <source>a rendering process failed</source>
        <translation>un processus de rendu a échoué</translation>
    </message>
    <message>
        <source>cannot start a rendering process (%1): %2</source>
        <translation>impossible de lancer un processus de rendu (%1)&#xa0;: %2</translation>
    </message>
    <message>
        <source>a rendering process sent what it should not</source>
        <translation>un processus de rendu a envoyé des données inattendues</translation>
    </message>
    <message>
        <source>a rendering process was ended by %1</source>
        <translation>un processus de rendu a été arrêté par %1</translation>
    </message>
    <message>
        <source>a rendering process ended with exit status %1</source>
        <translation>un processus de rendu s’est terminé avec le code %1</translation>
    </message>
</context>
<context>
    <name>PdfText</name>
    <message>
        <source>it is locked with a password</source>
        <translation>il est verrouillé par un mot de passe</translation>
    </message>
    <message>
        <source>the password is wrong</source>
        <translation>le mot de passe est faux</translation>
    </message>
    <message>
        <source>it is damaged or not a PDF document</source>
        <translation>il est endommagé ou n’est pas un document PDF</translation>
    </message>
    <message>
        <source>it is damaged or not a PDF document (%1)</source>
        <translation>il est endommagé ou n’est pas un document PDF (%1)</translation>
    </message>
    <message>
        <source>its text is longer than %1 characters</source>
        <translation>son texte dépasse %1 caractères</translation>
    </message>
    <message>
        <source>no text to read: the pages are images</source>
        <translation>aucun texte à lire&#xa0;: les pages sont des images</translation>
    </message>
    <message>
        <source>opening it needs more than the %1 MiB of memory allowed</source>
        <translation>l’ouvrir demande plus que les %1 Mio de mémoire permis</translation>
    </message>
    <message>
        <source>page %1 needs more than the %2 MiB of memory allowed</source>
        <translation>la page %1 demande plus que les %2 Mio de mémoire permis</translation>
    </message>
    <message>
        <source>opening it takes longer than the %1 seconds allowed</source>
        <translation>l’ouvrir prend plus que les %1 secondes permises</translation>
    </message>
    <message>
        <source>page %1 takes longer than the %2 seconds allowed</source>
        <translation>la page %1 prend plus que les %2 secondes permises</translation>
    </message>
    <message>
        <source>its reader ended with %1 while opening it</source>
        <translation>son lecteur s’est arrêté sur %1 à l’ouverture</translation>
    </message>
    <message>
        <source>its reader ended with %1 on page %2</source>
        <translation>son lecteur s’est arrêté sur %1 à la page %2</translation>
    </message>
    <message>
        <source>cannot start its reader: %1</source>
        <translation>impossible de lancer son lecteur&#xa0;: %1</translation>
    </message>
    <message>
        <source>it has %1 pages, more than the %2 allowed</source>
        <translation>il a %1 pages, plus que les %2 permises</translation>
    </message>
    <message>
        <source>the password is longer than %1 bytes</source>
        <translation>le mot de passe dépasse %1 octets</translation>
    </message>
</context>
<context>
    <name>PopUpButton</name>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
</context>
<context>
    <name>PronunciationDialog</name>
    <message>
        <source>Pronunciation</source>
        <translation>Prononciation</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>Written</source>
        <translation>Écrit</translation>
    </message>
    <message>
        <source>Spoken</source>
        <translation>Prononcé</translation>
    </message>
    <message>
        <source>Not applied because</source>
        <translation>Non appliqué, car</translation>
    </message>
    <message>
        <source>A language code such as de or pt-br; empty for every voice</source>
        <translation>Un code de langue comme de ou pt-br ; vide pour toutes les voix</translation>
    </message>
    <message>
        <source>Pronunciations</source>
        <translation>Prononciations</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Ajouter</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message>
        <source>&amp;Hear It</source>
        <translation>É&amp;couter</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 ne peut pas être lu : %2</translation>
    </message>
    <message>
        <source>The lexicon is not saved: %1</source>
        <translation>Le lexique n’est pas enregistré : %1</translation>
    </message>
    <message>
        <source>Saved and applied.</source>
        <translation>Enregistré et appliqué.</translation>
    </message>
    <message>
        <source>Broken entries are not applied: the last column says why.</source>
        <translation>Les entrées erronées ne sont pas appliquées : la dernière colonne dit pourquoi.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Another launch of Tavorin is starting and does not finish; try again, or end the other Tavorin first</source>
        <translation>Un autre lancement de Tavorin ne se termine pas&#xa0;; réessayez, ou fermez d’abord l’autre Tavorin</translation>
    </message>
    <message>
        <source>Tavorin is already running but does not answer; try again once it responds, or end it first</source>
        <translation>Tavorin est déjà lancé mais ne répond pas&#xa0;; réessayez quand il répondra, ou fermez-le d’abord</translation>
    </message>
    <message>
        <source>The running Tavorin cannot speak the text now: it is exporting; try again when it is done</source>
        <translation>Le Tavorin en cours ne peut pas lire le texte maintenant&#xa0;: il exporte&#xa0;; réessayez quand il aura fini</translation>
    </message>
    <message>
        <source>The running Tavorin cannot speak a text handed to it; quit it and try again</source>
        <translation>Le Tavorin en cours ne sait pas lire un texte transmis&#xa0;; quittez-le et réessayez</translation>
    </message>
    <message>
        <source>The running Tavorin refused the request</source>
        <translation>Le Tavorin en cours a refusé la demande</translation>
    </message>
</context>
<context>
    <name>SoundFileWriter</name>
    <message>
        <source>cannot start the sound file (%1)</source>
        <translation>impossible de commencer le fichier audio (%1)</translation>
    </message>
    <message>
        <source>the audio is too long for an %1 file; %2 can hold it</source>
        <translation>l’audio est trop long pour un fichier %1&#xa0;; %2 peut le contenir</translation>
    </message>
    <message>
        <source>cannot write the file (%1)</source>
        <translation>impossible d’écrire le fichier (%1)</translation>
    </message>
    <message>
        <source>there is no speech to write, and the file there is kept</source>
        <translation>il n’y a aucune parole à écrire&#xa0;; le fichier existant est conservé</translation>
    </message>
    <message>
        <source>cannot read the speech back</source>
        <translation>impossible de relire la parole</translation>
    </message>
</context>
<context>
    <name>SoundFormats</name>
    <message>
        <source>AIFF audio</source>
        <translation>Audio AIFF</translation>
    </message>
    <message>
        <source>WAV audio</source>
        <translation>Audio WAV</translation>
    </message>
    <message>
        <source>FLAC audio</source>
        <translation>Audio FLAC</translation>
    </message>
    <message>
        <source>Ogg Vorbis audio</source>
        <translation>Audio Ogg Vorbis</translation>
    </message>
    <message>
        <source>Opus audio</source>
        <translation>Audio Opus</translation>
    </message>
    <message>
        <source>MP3 audio</source>
        <translation>Audio MP3</translation>
    </message>
    <message>
        <source>M4B audiobook</source>
        <translation>Livre audio M4B</translation>
    </message>
</context>
<context>
    <name>SpeechSession</name>
    <message>
        <source>Speaking...</source>
        <translation>Lecture en cours...</translation>
    </message>
    <message>
        <source>Voice: %1, the voice last played</source>
        <translation>Voix&#xa0;: %1, la dernière voix utilisée pour lire</translation>
    </message>
    <message>
        <source>Voice: %1, the default voice</source>
        <translation>Voix&#xa0;: %1, la voix par défaut</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>En pause</translation>
    </message>
    <message>
        <source>A text handed to Tavorin was not spoken: an export is running.</source>
        <translation>Un texte transmis à Tavorin n’a pas été lu&#xa0;: une exportation est en cours.</translation>
    </message>
</context>
<context>
    <name>SpeechSynthesizer</name>
    <message>
        <source>the speech would last some %1 hours, too long for an %2 file; %3 can hold it</source>
        <translation>la lecture durerait environ %1&#xa0;heures, trop longtemps pour un fichier %2&#xa0;; %3 peut la contenir</translation>
    </message>
    <message>
        <source>unknown audio format &apos;%1&apos;; the formats are %2</source>
        <translation>format audio inconnu «&#xa0;%1&#xa0;»&#xa0;; les formats sont %2</translation>
    </message>
    <message>
        <source>%1 has an extension that names no audio format; the known ones are %2</source>
        <translation>l’extension de %1 ne désigne aucun format audio&#xa0;; les formats connus sont %2</translation>
    </message>
    <message>
        <source>%1 is no timing file name; timing files end in %2</source>
        <translation>%1 n’est pas un nom de fichier de temps&#xa0;; ces fichiers se terminent par %2</translation>
    </message>
    <message>
        <source>there is no file to write</source>
        <translation>il n’y a aucun fichier à écrire</translation>
    </message>
    <message>
        <source>%1 is a system voice: speech-dispatcher plays it itself and hands none of its sound back, so it cannot be exported; the voices of %2 can</source>
        <translation>%1 est une voix du système&#xa0;: speech-dispatcher la joue lui-même et n’en rend aucun son, elle ne peut donc pas être exportée&#xa0;; les voix de %2 le peuvent</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 et %2</translation>
    </message>
    <message>
        <source>%1 would be written twice: the chapter list needs a name of its own</source>
        <translation>%1 serait écrit deux fois : la liste des chapitres a besoin de son propre nom</translation>
    </message>
    <message>
        <source>%1 files hold no chapters: the text&apos;s chapters are not marked in it; %2 hold them, or a chapter list can be written beside it</source>
        <translation>Les fichiers %1 ne contiennent pas de chapitres : les chapitres du texte n’y sont pas marqués ; %2 les contiennent, ou une liste des chapitres peut être écrite à côté</translation>
    </message>
    <message>
        <source>there is no speech to write</source>
        <translation>il n’y a aucune parole à écrire</translation>
    </message>
</context>
<context>
    <name>StatusArea</name>
    <message>
        <source>Busy</source>
        <translation>Occupé</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Stop opening the document and keep the text (Escape)</source>
        <translation>Arrêter l’ouverture du document et garder le texte (Échap)</translation>
    </message>
</context>
<context>
    <name>SystemVoices</name>
    <message>
        <source>speech-dispatcher cannot speak with %1</source>
        <translation>speech-dispatcher ne peut pas parler avec %1</translation>
    </message>
    <message>
        <source>speech-dispatcher lists no voices</source>
        <translation>speech-dispatcher ne propose aucune voix</translation>
    </message>
    <message>
        <source>speech-dispatcher is not running and cannot be started</source>
        <translation>speech-dispatcher ne tourne pas et ne peut pas être démarré</translation>
    </message>
    <message>
        <source>speech-dispatcher stopped answering</source>
        <translation>speech-dispatcher ne répond plus</translation>
    </message>
</context>
<context>
    <name>TQAbout</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>TextFile</name>
    <message>
        <source>it is a folder</source>
        <translation>c’est un dossier</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>ce n’est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>le fichier dépasse %1&#xa0;Mio</translation>
    </message>
    <message>
        <source>it is not valid UTF-8 text</source>
        <translation>ce n’est pas un texte UTF-8 valide</translation>
    </message>
</context>
<context>
    <name>WindowBindings</name>
    <message>
        <source>%1 wpm</source>
        <translation>%1&#xa0;mots/min</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1&#xa0;%</translation>
    </message>
</context>
</TS>
