<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutBox</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 Karvel Software. All rights reserved.</source>
        <translation>© 2026 Karvel Software. Alle Rechte vorbehalten.</translation>
    </message>
    <message>
        <source>Support: %1</source>
        <translation>Hilfe: %1</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Version: %1   Build %2</source>
        <translation>Version: %1   Build %2</translation>
    </message>
</context>
<context>
    <name>AddressList</name>
    <message>
        <source>longer than %1 bytes</source>
        <translation>länger als %1 Bytes</translation>
    </message>
    <message>
        <source>control character</source>
        <translation>Steuerzeichen</translation>
    </message>
    <message>
        <source>not UTF-8 text</source>
        <translation>kein UTF-8-Text</translation>
    </message>
    <message>
        <source>not an http or https address</source>
        <translation>keine http- oder https-Adresse</translation>
    </message>
    <message>
        <source>more than %1 entries; the list stops at line %2</source>
        <translation>mehr als %1 Einträge; die Liste endet bei Zeile %2</translation>
    </message>
    <message>
        <source>standard input</source>
        <translation>Standardeingabe</translation>
    </message>
    <message>
        <source>%1: larger than %2 MiB</source>
        <translation>%1: größer als %2 MiB</translation>
    </message>
</context>
<context>
    <name>AudioConversion</name>
    <message>
        <source>The original audio (%1) has no container of its own; it was converted to FLAC, without loss.</source>
        <translation>Der Originalton (%1) hat kein eigenes Dateiformat; er wurde verlustfrei in FLAC umgewandelt.</translation>
    </message>
    <message>
        <source>The original audio (%1) cannot be kept as it is; it was converted to Opus.</source>
        <translation>Der Originalton (%1) kann nicht unverändert bleiben; er wurde in Opus umgewandelt.</translation>
    </message>
    <message>
        <source>The video has no sound.</source>
        <translation>Das Video hat keinen Ton.</translation>
    </message>
    <message>
        <source>The audio of the video could not be told apart.</source>
        <translation>Der Ton des Videos ließ sich nicht erkennen.</translation>
    </message>
    <message>
        <source>Even loudness does not apply to the original audio: it would need re-encoding.</source>
        <translation>Gleiche Lautstärke gilt nicht für den Originalton: dafür müsste er neu kodiert werden.</translation>
    </message>
    <message>
        <source>The audio file would replace the video file itself: choose another output folder or format.</source>
        <translation>Die Audiodatei würde die Videodatei selbst ersetzen: wählen Sie einen anderen Zielordner oder ein anderes Format.</translation>
    </message>
    <message>
        <source>%1 is a file, not a folder for the chapters.</source>
        <translation>%1 ist eine Datei, kein Ordner für die Kapitel.</translation>
    </message>
    <message>
        <source>The folder %1 could not be created: %2</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>The loudness could not be measured (%1); it was left as it is.</source>
        <translation>Die Lautheit ließ sich nicht messen (%1); sie blieb unverändert.</translation>
    </message>
    <message>
        <source>no summary</source>
        <translation>keine Zusammenfassung</translation>
    </message>
    <message>
        <source>No cover picture: no temporary folder for it.</source>
        <translation>Kein Titelbild: kein temporärer Ordner dafür.</translation>
    </message>
    <message>
        <source>it could not be saved for the converter</source>
        <translation>es konnte für den Konverter nicht gespeichert werden</translation>
    </message>
    <message>
        <source>the page&apos;s picture address gave no picture</source>
        <translation>die Bildadresse der Seite lieferte kein Bild</translation>
    </message>
    <message>
        <source>the picture could not be made JPEG (%1)</source>
        <translation>das Bild ließ sich nicht in JPEG umwandeln (%1)</translation>
    </message>
    <message>
        <source>the picture could not be made JPEG</source>
        <translation>das Bild ließ sich nicht in JPEG umwandeln</translation>
    </message>
    <message>
        <source>No cover picture: %1.</source>
        <translation>Kein Titelbild: %1.</translation>
    </message>
    <message>
        <source>The tags were not written: %1.</source>
        <translation>Die Tags wurden nicht geschrieben: %1.</translation>
    </message>
</context>
<context>
    <name>AudioFormats</name>
    <message>
        <source>MP3 - High Quality Audio (256 Kbps, Stereo)</source>
        <translation>MP3 - Hohe Qualität (256 Kbps, Stereo)</translation>
    </message>
    <message>
        <source>MP3 - Normal Quality Audio (128 Kbps, Stereo)</source>
        <translation>MP3 - Normale Qualität (128 Kbps, Stereo)</translation>
    </message>
    <message>
        <source>MP3 - Economy Quality Audio (64 Kbps, Mono)</source>
        <translation>MP3 - Sparsame Qualität (64 Kbps, Mono)</translation>
    </message>
    <message>
        <source>WAV - Lossless Audio (Stereo)</source>
        <translation>WAV - Verlustfrei (Stereo)</translation>
    </message>
    <message>
        <source>WMA - Windows Media Audio (Stereo)</source>
        <translation>WMA - Windows Media Audio (Stereo)</translation>
    </message>
    <message>
        <source>Original audio (no re-encoding)</source>
        <translation>Originalton (ohne Neukodierung)</translation>
    </message>
    <message>
        <source>Opus (160 Kbps)</source>
        <translation>Opus (160 Kbps)</translation>
    </message>
    <message>
        <source>M4A - AAC (192 Kbps)</source>
        <translation>M4A - AAC (192 Kbps)</translation>
    </message>
    <message>
        <source>FLAC - Lossless</source>
        <translation>FLAC - Verlustfrei</translation>
    </message>
    <message>
        <source>OGG Vorbis (quality 6)</source>
        <translation>OGG Vorbis (Qualität 6)</translation>
    </message>
</context>
<context>
    <name>AudioTags</name>
    <message>
        <source>the audio file %1 could not be read for its tags</source>
        <translation>die Audiodatei %1 ließ sich für ihre Tags nicht lesen</translation>
    </message>
    <message>
        <source>the audio file %1 has no format that carries tags</source>
        <translation>die Audiodatei %1 hat kein Format, das Tags trägt</translation>
    </message>
    <message>
        <source>the tags of %1 could not be saved</source>
        <translation>die Tags von %1 ließen sich nicht speichern</translation>
    </message>
</context>
<context>
    <name>CliItems</name>
    <message>
        <source>standard input</source>
        <translation>Standardeingabe</translation>
    </message>
    <message>
        <source>%1, line %2: %3: %4</source>
        <translation>%1, Zeile %2: %3: %4</translation>
    </message>
    <message>
        <source>%1: 1 repeated line taken once</source>
        <translation>%1: 1 wiederholte Zeile einmal übernommen</translation>
    </message>
    <message>
        <source>%1: %2 repeated lines taken once</source>
        <translation>%1: %2 wiederholte Zeilen einmal übernommen</translation>
    </message>
    <message>
        <source>the archive %1 cannot be read: %2</source>
        <translation>das Archiv %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>the archive %1 is larger than %2 MB</source>
        <translation>das Archiv %1 ist größer als %2 MB</translation>
    </message>
    <message>
        <source>the archive %1 cannot be written: %2</source>
        <translation>das Archiv %1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>CliJob</name>
    <message>
        <source>1 video</source>
        <translation>1 Video</translation>
    </message>
    <message>
        <source>%1 videos</source>
        <translation>%1 Videos</translation>
    </message>
    <message>
        <source>Looking for a list of videos: %1</source>
        <translation>Suche nach einer Videoliste: %1</translation>
    </message>
    <message>
        <source>Whether the page holds a list is not known (%1); its video alone is converted.</source>
        <translation>Ob die Seite eine Liste enthält, ist nicht bekannt (%1); nur ihr Video wird umgewandelt.</translation>
    </message>
    <message>
        <source>This page holds a list of %1. Convert all of them?</source>
        <translation>Diese Seite enthält eine Liste mit %1. Alle umwandeln?</translation>
    </message>
    <message>
        <source>The page holds a list of %1; its video alone is converted.</source>
        <translation>Die Seite enthält eine Liste mit %1; nur ihr Video wird umgewandelt.</translation>
    </message>
    <message>
        <source>The list: %1</source>
        <translation>Die Liste: %1</translation>
    </message>
    <message>
        <source>The list &quot;%1&quot;: %2</source>
        <translation>Die Liste „%1“: %2</translation>
    </message>
    <message>
        <source> (%1 more left out)</source>
        <translation> (%1 weitere ausgelassen)</translation>
    </message>
    <message>
        <source>%1 from %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 ist keine normale Datei</translation>
    </message>
    <message>
        <source>Already done (in the archive): %1</source>
        <translation>Bereits erledigt (im Archiv): %1</translation>
    </message>
</context>
<context>
    <name>CliMain</name>
    <message>
        <source>%1 (clipwave-cli --help lists the options)</source>
        <translation>%1 (clipwave-cli --help listet die Optionen auf)</translation>
    </message>
</context>
<context>
    <name>CliOptions</name>
    <message>
        <source>no video page address or local file given</source>
        <translation>keine Videoseitenadresse und keine lokale Datei angegeben</translation>
    </message>
    <message>
        <source>option --%1 takes no value</source>
        <translation>Option --%1 nimmt keinen Wert</translation>
    </message>
    <message>
        <source>unknown option --%1</source>
        <translation>unbekannte Option --%1</translation>
    </message>
    <message>
        <source>unknown option -%1</source>
        <translation>unbekannte Option -%1</translation>
    </message>
    <message>
        <source>option %1 needs a value</source>
        <translation>Option %1 braucht einen Wert</translation>
    </message>
    <message>
        <source>the output folder is empty</source>
        <translation>der Zielordner ist leer</translation>
    </message>
    <message>
        <source>the list file&apos;s name is empty</source>
        <translation>der Name der Listendatei ist leer</translation>
    </message>
    <message>
        <source>standard input can be read as a list once</source>
        <translation>die Standardeingabe kann nur einmal als Liste gelesen werden</translation>
    </message>
    <message>
        <source>the archive needs a file name</source>
        <translation>das Archiv braucht einen Dateinamen</translation>
    </message>
    <message>
        <source>unknown format &apos;%1&apos; (%2)</source>
        <translation>unbekanntes Format &apos;%1&apos; (%2)</translation>
    </message>
    <message>
        <source>-y and -n exclude each other</source>
        <translation>-y und -n schließen einander aus</translation>
    </message>
    <message>
        <source>--playlist and --no-playlist exclude each other</source>
        <translation>--playlist und --no-playlist schließen einander aus</translation>
    </message>
    <message>
        <source>Usage: clipwave-cli [options] ADDRESS|FILE...
       clipwave-cli [options] -a LIST [ADDRESS|FILE...]
Turns the video of each page address, or each local video file, into an audio file.

  -o, --output DIR      output folder (default: the folder the window last used);
                        created when it does not exist
  -f, --format NAME     %1
                        (default: the format the window last used); original keeps the
                        video&apos;s audio as it is, in its codec&apos;s own file type
      --split-chapters  a video with chapters becomes a folder of one file per chapter
      --normalize       bring the audio to one loudness (-14 LUFS, peaks at most -1 dBTP)
  -a, --address-file LIST
                        also the addresses and files of the text file LIST, one per line
                        (blank lines and lines starting with # are skipped, repeats taken
                        once); - reads the list from standard input
      --playlist        a page that holds a list of videos: convert all of them, in order,
                        with track numbers and the list&apos;s title as album
      --no-playlist     a page that holds a list: convert the page&apos;s video alone
      --archive FILE    skip the items FILE lists as finished, and add each item that
                        ends well to it (a line: the page address or the file&apos;s absolute
                        path, a tab, the format&apos;s name)
  -y, --overwrite       replace existing output files without asking
  -n, --no-overwrite    keep existing output files; that item fails
  -q, --quiet           no progress display, only errors
  -h, --help            this text
      --version         the program&apos;s version

Without -y or -n an existing output file is asked about on the terminal, and kept when there is
no terminal. Without --playlist or --no-playlist a list is asked about on the terminal, and
without one the page&apos;s video alone is converted. When the list comes from standard input,
questions are asked on /dev/tty, or answered as without a terminal.
Exit status: 0 when every item ended as it should (skipped ones included), 1 when any failed
or a line of a list could not be read, 2 for a usage error, 130 after Ctrl-C, 143 after
SIGTERM.
</source>
        <translation>Aufruf: clipwave-cli [Optionen] ADRESSE|DATEI...
        clipwave-cli [Optionen] -a LISTE [ADRESSE|DATEI...]
Macht aus dem Video jeder Seitenadresse oder jeder lokalen Videodatei eine Audiodatei.

  -o, --output ORDNER   Zielordner (Vorgabe: der zuletzt im Fenster benutzte Ordner);
                        wird angelegt, wenn er fehlt
  -f, --format NAME     %1
                        (Vorgabe: das zuletzt im Fenster benutzte Format); original behält
                        den Ton des Videos unverändert, im Dateityp seines Codecs
      --split-chapters  ein Video mit Kapiteln wird ein Ordner mit einer Datei je Kapitel
      --normalize       den Ton auf eine Lautheit bringen (-14 LUFS, Spitzen höchstens -1 dBTP)
  -a, --address-file LISTE
                        auch die Adressen und Dateien der Textdatei LISTE, eine je Zeile
                        (leere Zeilen und Zeilen mit # am Anfang werden übergangen,
                        Wiederholungen einmal genommen); - liest die Liste von der Standardeingabe
      --playlist        eine Seite mit einer Videoliste: alle Videos der Reihe nach umwandeln,
                        mit Titelnummern und dem Titel der Liste als Album
      --no-playlist     eine Seite mit einer Liste: nur das Video der Seite umwandeln
      --archive DATEI   die Einträge überspringen, die DATEI als erledigt führt, und jeden gut
                        beendeten Eintrag dort anfügen (eine Zeile: die Seitenadresse oder der
                        absolute Pfad der Datei, ein Tabulator, der Name des Formats)
  -y, --overwrite       vorhandene Zieldateien ohne Rückfrage ersetzen
  -n, --no-overwrite    vorhandene Zieldateien behalten; dieser Eintrag schlägt fehl
  -q, --quiet           keine Fortschrittsanzeige, nur Fehler
  -h, --help            dieser Text
      --version         die Version des Programms

Ohne -y oder -n wird bei einer vorhandenen Zieldatei im Terminal gefragt; ohne Terminal bleibt
sie erhalten. Ohne --playlist oder --no-playlist wird bei einer Liste im Terminal gefragt; ohne
Terminal wird nur das Video der Seite umgewandelt. Kommt die Liste von der Standardeingabe,
wird auf /dev/tty gefragt oder wie ohne Terminal geantwortet.
Exit-Status: 0, wenn jeder Eintrag wie vorgesehen endete (übersprungene eingeschlossen), 1, wenn
einer fehlschlug oder eine Zeile einer Liste nicht gelesen werden konnte, 2 bei falschem Aufruf,
130 nach Strg-C, 143 nach SIGTERM.
</translation>
    </message>
</context>
<context>
    <name>ConvertProcess</name>
    <message>
        <source>The converted file could not be saved as %1: %2</source>
        <translation>Die umgewandelte Datei konnte nicht als %1 gespeichert werden: %2</translation>
    </message>
    <message>
        <source>The converter was ended by signal %1.</source>
        <translation>Der Konverter wurde durch das Signal %1 beendet.</translation>
    </message>
    <message>
        <source>A segment of the stream could not be fetched: %1</source>
        <translation>Ein Abschnitt des Streams konnte nicht geholt werden: %1</translation>
    </message>
    <message>
        <source>The stream ended early: %1 of %2 seconds were converted.</source>
        <translation>Der Stream endete zu früh: %1 von %2 Sekunden wurden umgewandelt.</translation>
    </message>
    <message>
        <source>The converter left no output file.</source>
        <translation>Der Konverter hat keine Ausgabedatei hinterlassen.</translation>
    </message>
    <message>
        <source>The converter ended with exit code %1.</source>
        <translation>Der Konverter endete mit dem Exit-Code %1.</translation>
    </message>
</context>
<context>
    <name>CoverFetch</name>
    <message>
        <source>the picture is larger than %1 MB</source>
        <translation>das Bild ist größer als %1 MB</translation>
    </message>
    <message>
        <source>no picture within %1 seconds</source>
        <translation>kein Bild innerhalb von %1 Sekunden</translation>
    </message>
    <message>
        <source>no reply</source>
        <translation>keine Antwort</translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation>der Server antwortete %1</translation>
    </message>
    <message>
        <source>the reply holds no picture</source>
        <translation>die Antwort enthält kein Bild</translation>
    </message>
</context>
<context>
    <name>DesktopNotification</name>
    <message>
        <source>Open folder</source>
        <translation>Ordner öffnen</translation>
    </message>
</context>
<context>
    <name>DownloadProgress</name>
    <message>
        <source>%1 of %2 %3</source>
        <translation>%1 von %2 %3</translation>
    </message>
</context>
<context>
    <name>DownloadWindow</name>
    <message>
        <source>Get html from the URL, please wait...</source>
        <translation>Seite wird geladen, bitte warten...</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Download Size: </source>
        <translation>Größe: </translation>
    </message>
    <message>
        <source>Estimating time remaining: </source>
        <translation>Restzeit: </translation>
    </message>
    <message>
        <source>Download Speed：</source>
        <translation>Geschwindigkeit: </translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Umwandlung</translation>
    </message>
    <message>
        <source>Time elapsed: </source>
        <translation>Vergangen: </translation>
    </message>
    <message>
        <source>Time estimated: </source>
        <translation>Geschätzt: </translation>
    </message>
    <message>
        <source>Downloading: %1 ...</source>
        <translation>Herunterladen: %1 ...</translation>
    </message>
    <message>
        <source>Chapter %1 of %2: %3</source>
        <translation>Kapitel %1 von %2: %3</translation>
    </message>
</context>
<context>
    <name>Job</name>
    <message>
        <source>This video is offered only in segments (HLS or DASH), which can be converted but not kept as a video file.</source>
        <translation>Dieses Video wird nur in Abschnitten angeboten (HLS oder DASH), die umgewandelt, aber nicht als Videodatei behalten werden können.</translation>
    </message>
    <message>
        <source>No cover picture: %1.</source>
        <translation>Kein Titelbild: %1.</translation>
    </message>
    <message>
        <source>The conversion of the stream failed.

%1</source>
        <translation>Die Umwandlung des Streams ist fehlgeschlagen.

%1</translation>
    </message>
    <message>
        <source>The conversion failed; the video file was kept.

%1</source>
        <translation>Die Umwandlung ist fehlgeschlagen; die Videodatei wurde behalten.

%1</translation>
    </message>
</context>
<context>
    <name>LoginDialog</name>
    <message>
        <source>Member Login</source>
        <translation>Anmeldung</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Convert youtube video to mp3</source>
        <translation>Videos von YouTube in MP3 umwandeln</translation>
    </message>
    <message>
        <source>Check for updates...</source>
        <translation>Nach Updates suchen...</translation>
    </message>
    <message>
        <source>Browser...</source>
        <translation>Wählen...</translation>
    </message>
    <message>
        <source>Select local video file</source>
        <translation>Lokale Videodatei wählen</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>Zielordner:</translation>
    </message>
    <message>
        <source>Set your default output folder</source>
        <translation>Ihren Standard-Zielordner festlegen</translation>
    </message>
    <message>
        <source>Convert to:</source>
        <translation>Umwandeln in:</translation>
    </message>
    <message>
        <source>Download and convert video from YouTube</source>
        <translation>Video von YouTube laden und umwandeln</translation>
    </message>
    <message>
        <source>Convert video from local FLV file</source>
        <translation>Video aus lokaler FLV-Datei umwandeln</translation>
    </message>
    <message>
        <source>Click to popup the menu</source>
        <translation>Klicken öffnet das Menü</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Start...</source>
        <translation>Start...</translation>
    </message>
    <message>
        <source>Show Files...</source>
        <translation>Dateien...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;Home Page</source>
        <translation>&amp;Startseite</translation>
    </message>
    <message>
        <source>&amp;Donate</source>
        <translation>S&amp;penden</translation>
    </message>
    <message>
        <source>&amp;Set YouTube Account</source>
        <translation>YouTube-&amp;Konto festlegen</translation>
    </message>
    <message>
        <source>Sign in to a site...</source>
        <translation>Bei einer Seite anmelden...</translation>
    </message>
    <message>
        <source>Split into chapters</source>
        <translation>In Kapitel teilen</translation>
    </message>
    <message>
        <source>Even loudness</source>
        <translation>Gleiche Lautstärke</translation>
    </message>
    <message>
        <source>&amp;Queue...</source>
        <translation>&amp;Warteschlange...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>1 item was not finished. Continue?</source>
        <translation>1 Eintrag wurde nicht fertig. Fortsetzen?</translation>
    </message>
    <message>
        <source>%1 items were not finished. Continue?</source>
        <translation>%1 Einträge wurden nicht fertig. Fortsetzen?</translation>
    </message>
    <message>
        <source>This page holds a list of 1 video. Convert all of them?</source>
        <translation>Diese Seite enthält eine Liste mit 1 Video. Alle umwandeln?</translation>
    </message>
    <message>
        <source>This page holds a list of %1 videos. Convert all of them?</source>
        <translation>Diese Seite enthält eine Liste mit %1 Videos. Alle umwandeln?</translation>
    </message>
    <message>
        <source>Playlist</source>
        <translation>Wiedergabeliste</translation>
    </message>
</context>
<context>
    <name>PageRules</name>
    <message>
        <source>This video may contain content that is inappropriate for some users, as flagged by YouTube&quot;s user commnunity. To view this video, please verify you are 18 or older by logging in or signing up.<byte value="xd"/>
<byte value="xd"/>
Please log in your account in the window of &quot;Sign in to a site...&quot; (the program&apos;s menu) firstly. You need to check the option &quot;Stay signed in&quot;. It&quot;s better to change the YouTube show languages to English. Then download the video again.</source>
        <translation>Dieses Video kann Inhalte enthalten, die von der YouTube-Community als für manche Nutzer ungeeignet markiert wurden. Um es anzusehen, bestätigen Sie bitte durch An- oder Registrierung, dass Sie mindestens 18 Jahre alt sind.<byte value="xd"/>
<byte value="xd"/>
Melden Sie sich zuerst im Fenster „Bei einer Seite anmelden...“ (im Menü des Programms) bei Ihrem Konto an. Setzen Sie dabei das Häkchen bei „Angemeldet bleiben“. Stellen Sie die Sprache von YouTube am besten auf Englisch. Laden Sie das Video dann erneut.</translation>
    </message>
</context>
<context>
    <name>PartFile</name>
    <message>
        <source>Cannot rename &quot;%1&quot; to &quot;%2&quot;: %3</source>
        <translation>„%1“ kann nicht in „%2“ umbenannt werden: %3</translation>
    </message>
</context>
<context>
    <name>PlaylistProbe</name>
    <message>
        <source>the list holds no entries</source>
        <translation>die Liste hat keine Einträge</translation>
    </message>
    <message>
        <source>the list holds no video</source>
        <translation>die Liste enthält kein Video</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: the output is too large</source>
        <translation>yt-dlp gab keine brauchbare Antwort: die Ausgabe ist zu groß</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: %1</source>
        <translation>yt-dlp gab keine brauchbare Antwort: %1</translation>
    </message>
</context>
<context>
    <name>ProgressView</name>
    <message>
        <source>Get html from the URL, please wait... %1</source>
        <translation>Seite wird geladen, bitte warten... %1</translation>
    </message>
    <message>
        <source>Downloading: %1 ...</source>
        <translation>Herunterladen: %1 ...</translation>
    </message>
    <message>
        <source>Converting: %1 ...</source>
        <translation>Umwandeln: %1 ...</translation>
    </message>
    <message>
        <source>Chapter %1 of %2: %3</source>
        <translation>Kapitel %1 von %2: %3</translation>
    </message>
    <message>
        <source> (-y replaces it)</source>
        <translation> (-y ersetzt sie)</translation>
    </message>
    <message>
        <source>Found the video: %1</source>
        <translation>Video gefunden: %1</translation>
    </message>
    <message>
        <source>Downloaded: %1</source>
        <translation>Heruntergeladen: %1</translation>
    </message>
    <message>
        <source>Converted: %1</source>
        <translation>Umgewandelt: %1</translation>
    </message>
    <message>
        <source>converted %1%  </source>
        <translation>umgewandelt %1%  </translation>
    </message>
    <message>
        <source>  %1 left</source>
        <translation>  noch %1</translation>
    </message>
    <message>
        <source>Time elapsed: %1  Time estimated: %2</source>
        <translation>Vergangen: %1  Geschätzt: %2</translation>
    </message>
</context>
<context>
    <name>QtDialogs</name>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Only this video</source>
        <translation>Nur dieses Video</translation>
    </message>
</context>
<context>
    <name>Queue</name>
    <message>
        <source>%1 done</source>
        <translation>%1 fertig</translation>
    </message>
    <message>
        <source>%1 done, %2 failed</source>
        <translation>%1 fertig, %2 fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>QueueStore</name>
    <message>
        <source>The queue&apos;s database %1 %2</source>
        <translation>Die Datenbank der Warteschlange %1 %2</translation>
    </message>
    <message>
        <source>; it was moved to %1 and a new one was made.</source>
        <translation>; sie wurde nach %1 verschoben und eine neue angelegt.</translation>
    </message>
    <message>
        <source>.</source>
        <translation>.</translation>
    </message>
    <message>
        <source>; it was moved to %1</source>
        <translation>; sie wurde nach %1 verschoben</translation>
    </message>
    <message>
        <source>, and no new one could be made there: the queue is kept in memory until Clipwave closes.</source>
        <translation>, und dort ließ sich keine neue anlegen: die Warteschlange bleibt im Speicher, bis Clipwave endet.</translation>
    </message>
    <message>
        <source>could not be opened: Qt&apos;s SQLite driver (libqt6sql6-sqlite) is missing</source>
        <translation>ließ sich nicht öffnen: der SQLite-Treiber von Qt (libqt6sql6-sqlite) fehlt</translation>
    </message>
    <message>
        <source>could not be opened (%1)</source>
        <translation>ließ sich nicht öffnen (%1)</translation>
    </message>
    <message>
        <source>could not be read (%1)</source>
        <translation>ließ sich nicht lesen (%1)</translation>
    </message>
    <message>
        <source>was written by a newer version of Clipwave (layout %1)</source>
        <translation>wurde von einer neueren Version von Clipwave geschrieben (Aufbau %1)</translation>
    </message>
    <message>
        <source>is damaged (%1)</source>
        <translation>ist beschädigt (%1)</translation>
    </message>
    <message>
        <source>could not be written (%1)</source>
        <translation>ließ sich nicht schreiben (%1)</translation>
    </message>
</context>
<context>
    <name>QueueWindow</name>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>finding the stream</source>
        <translation>sucht den Stream</translation>
    </message>
    <message>
        <source>downloading %1%</source>
        <translation>lädt %1%</translation>
    </message>
    <message>
        <source>converting %1%</source>
        <translation>wandelt um %1%</translation>
    </message>
    <message>
        <source>done</source>
        <translation>fertig</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>angehalten</translation>
    </message>
    <message>
        <source>exists: the audio file was kept</source>
        <translation>vorhanden: die Audiodatei wurde behalten</translation>
    </message>
    <message>
        <source>already done</source>
        <translation>bereits erledigt</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Queue - %1</source>
        <translation>Warteschlange - %1</translation>
    </message>
    <message>
        <source>Show:</source>
        <translation>Zeigen:</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Laufend</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Wartend</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Nochmal</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Show file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Start all</source>
        <translation>Alle starten</translation>
    </message>
    <message>
        <source>Stop all</source>
        <translation>Alle stoppen</translation>
    </message>
    <message>
        <source>Run at once:</source>
        <translation>Zugleich:</translation>
    </message>
    <message>
        <source>When the audio file exists:</source>
        <translation>Wenn die Audiodatei existiert:</translation>
    </message>
    <message>
        <source>keep it</source>
        <translation>behalten</translation>
    </message>
    <message>
        <source>replace it</source>
        <translation>ersetzen</translation>
    </message>
    <message>
        <source>%1 running, %2 waiting, %3 done, %4 failed</source>
        <translation>%1 laufend, %2 wartend, %3 fertig, %4 fehlgeschlagen</translation>
    </message>
    <message>
        <source> - adding: %1 of %2 left</source>
        <translation> - wird hinzugefügt: noch %1 von %2</translation>
    </message>
</context>
<context>
    <name>ResolverCookieFile</name>
    <message>
        <source>there is no private folder for the sign-in cookies ($XDG_RUNTIME_DIR is not set)</source>
        <translation>es gibt keinen privaten Ordner für die Anmelde-Cookies ($XDG_RUNTIME_DIR ist nicht gesetzt)</translation>
    </message>
    <message>
        <source>the folder for the sign-in cookies could not be made in %1: %2</source>
        <translation>der Ordner für die Anmelde-Cookies ließ sich in %1 nicht anlegen: %2</translation>
    </message>
    <message>
        <source>the file for the sign-in cookies could not be made: %1</source>
        <translation>die Datei für die Anmelde-Cookies ließ sich nicht anlegen: %1</translation>
    </message>
    <message>
        <source>the file for the sign-in cookies could not be written</source>
        <translation>die Datei für die Anmelde-Cookies ließ sich nicht schreiben</translation>
    </message>
</context>
<context>
    <name>ResolverLocator</name>
    <message>
        <source>%1
No sign-in of this site was found: sign in with &quot;Sign in to a site...&quot; and try again.</source>
        <translation>%1
Für diese Seite wurde keine Anmeldung gefunden: melden Sie sich mit „Bei einer Seite anmelden...“ an und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>yt-dlp %1 is too old for today&apos;s YouTube: install a newer one with %2</source>
        <translation>yt-dlp %1 ist zu alt für das heutige YouTube: installieren Sie ein neueres mit %2</translation>
    </message>
    <message>
        <source>yt-dlp %1 may be too old for this site: install a newer one with %2</source>
        <translation>yt-dlp %1 ist für diese Seite vielleicht zu alt: installieren Sie ein neueres mit %2</translation>
    </message>
    <message>
        <source>yt-dlp found no JavaScript runtime, which today&apos;s YouTube needs: install deno, or node 20 or newer, quickjs or bun</source>
        <translation>yt-dlp fand keine JavaScript-Laufzeit, die das heutige YouTube braucht: installieren Sie deno oder node 20 oder neuer, quickjs oder bun</translation>
    </message>
    <message>
        <source>yt-dlp is missing its EJS scripts: install it with them, with %1</source>
        <translation>yt-dlp fehlen seine EJS-Skripte: installieren Sie es mit ihnen, mit %1</translation>
    </message>
    <message>
        <source>node %1 is older than %2</source>
        <translation>node %1 ist älter als %2</translation>
    </message>
    <message>
        <source>%1
The sign-in could not be given to yt-dlp: %2</source>
        <translation>%1
Die Anmeldung ließ sich nicht an yt-dlp übergeben: %2</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: the output is too large</source>
        <translation>yt-dlp gab keine brauchbare Antwort: die Ausgabe ist zu groß</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: %1</source>
        <translation>yt-dlp gab keine brauchbare Antwort: %1</translation>
    </message>
</context>
<context>
    <name>ResolverOutput</name>
    <message>
        <source>the output is too large</source>
        <translation>die Ausgabe ist zu groß</translation>
    </message>
    <message>
        <source>nothing was printed</source>
        <translation>es wurde nichts ausgegeben</translation>
    </message>
    <message>
        <source>the output is not a JSON object</source>
        <translation>die Ausgabe ist kein JSON-Objekt</translation>
    </message>
    <message>
        <source>no video on the page</source>
        <translation>kein Video auf der Seite</translation>
    </message>
    <message>
        <source>no stream served as one file over http: or https:, or as an HLS or DASH playlist</source>
        <translation>kein Stream als eine Datei über http: oder https: oder als HLS- oder DASH-Wiedergabeliste</translation>
    </message>
</context>
<context>
    <name>ResolverProcess</name>
    <message>
        <source>1 second</source>
        <translation>1 Sekunde</translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation>%1 Sekunden</translation>
    </message>
    <message>
        <source>yt-dlp could not be started (error %1)</source>
        <translation>yt-dlp ließ sich nicht starten (Fehler %1)</translation>
    </message>
    <message>
        <source>yt-dlp gave no answer within %1</source>
        <translation>yt-dlp gab innerhalb von %1 keine Antwort</translation>
    </message>
    <message>
        <source>yt-dlp ended with exit code %1</source>
        <translation>yt-dlp endete mit dem Exit-Code %1</translation>
    </message>
    <message>
        <source>yt-dlp ended with signal %1</source>
        <translation>yt-dlp endete durch das Signal %1</translation>
    </message>
</context>
<context>
    <name>SegmentedStream</name>
    <message>
        <source>This video is offered only in segments (HLS or DASH), which ffmpeg reads itself, and ffmpeg cannot go through the SOCKS proxy that is set (all_proxy): the video was not fetched.</source>
        <translation>Dieses Video wird nur in Abschnitten angeboten (HLS oder DASH), die ffmpeg selbst liest, und ffmpeg kann nicht über den eingestellten SOCKS-Proxy (all_proxy) gehen: das Video wurde nicht geholt.</translation>
    </message>
</context>
<context>
    <name>SignInWindow</name>
    <message>
        <source>Sign in to a site</source>
        <translation>Bei einer Seite anmelden</translation>
    </message>
</context>
<context>
    <name>StartChecks</name>
    <message>
        <source>The audio file would replace the video file itself: choose another output folder or format.</source>
        <translation>Die Audiodatei würde die Videodatei selbst ersetzen: wählen Sie einen anderen Zielordner oder ein anderes Format.</translation>
    </message>
</context>
<context>
    <name>StartRequest</name>
    <message>
        <source>Flv files(*.flv)|*.flv| Any file(*.*)|*.*</source>
        <translation>FLV-Dateien(*.flv)|*.flv| Alle Dateien(*.*)|*.*</translation>
    </message>
</context>
<context>
    <name>StreamDownload</name>
    <message>
        <source>Unable to download %1: %2</source>
        <translation>%1 konnte nicht heruntergeladen werden: %2</translation>
    </message>
    <message>
        <source>the reply is not HTTP</source>
        <translation>die Antwort ist kein HTTP</translation>
    </message>
    <message>
        <source>%1 (a part that was not asked for)</source>
        <translation>%1 (ein Teil, nach dem nicht gefragt wurde)</translation>
    </message>
    <message>
        <source>%1 (no video in the reply)</source>
        <translation>%1 (kein Video in der Antwort)</translation>
    </message>
    <message>
        <source>%1 (other bytes than asked for)</source>
        <translation>%1 (andere Bytes als erfragt)</translation>
    </message>
    <message>
        <source> (continued %1 times; %2 KB of %3 KB kept for the next download)</source>
        <translation> (%1-mal fortgesetzt; %2 KB von %3 KB für den nächsten Download behalten)</translation>
    </message>
    <message>
        <source> (%1 KB of %2 KB kept for the next download)</source>
        <translation> (%1 KB von %2 KB für den nächsten Download behalten)</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Please enter Username.</source>
        <translation>Bitte geben Sie den Benutzernamen ein.</translation>
    </message>
    <message>
        <source>Please enter Password.</source>
        <translation>Bitte geben Sie das Passwort ein.</translation>
    </message>
    <message>
        <source>Please enter video URL!</source>
        <translation>Bitte geben Sie die Adresse des Videos ein!</translation>
    </message>
    <message>
        <source>Please select a local video file!</source>
        <translation>Bitte wählen Sie eine lokale Videodatei!</translation>
    </message>
    <message>
        <source>Please select the directory to add</source>
        <translation>Bitte wählen Sie den Ordner</translation>
    </message>
    <message>
        <source>Unable get html from the url. Please try again later!</source>
        <translation>Die Seite konnte nicht geladen werden. Bitte versuchen Sie es später erneut!</translation>
    </message>
    <message>
        <source>Please enter the url like http://www.youtube.com/watch?v=Xq0TXIuQ5zk</source>
        <translation>Bitte geben Sie eine Adresse ein wie http://www.youtube.com/watch?v=Xq0TXIuQ5zk</translation>
    </message>
    <message>
        <source>Unable get html from %1</source>
        <translation>Die Seite %1 konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>received</source>
        <translation>empfangen</translation>
    </message>
    <message>
        <source>Select video file:</source>
        <translation>Videodatei wählen:</translation>
    </message>
    <message>
        <source>Enter video URL (Example: </source>
        <translation>Video-URL (Beispiel: </translation>
    </message>
    <message>
        <source>%1 has existed,overite it?</source>
        <translation>%1 existiert bereits. Überschreiben?</translation>
    </message>
    <message>
        <source>%1, the output directory does not exist.</source>
        <translation>%1: der Zielordner existiert nicht.</translation>
    </message>
    <message>
        <source>creates a new directory?</source>
        <translation>Neuen Ordner anlegen?</translation>
    </message>
    <message>
        <source>Error while creating convert process!</source>
        <translation>Fehler beim Starten der Umwandlung!</translation>
    </message>
    <message>
        <source>Video file will be created may be used, convert process failed!</source>
        <translation>Die zu erstellende Datei wird vielleicht benutzt; die Umwandlung ist fehlgeschlagen!</translation>
    </message>
    <message>
        <source>Please check whether the video file exist.</source>
        <translation>Bitte prüfen Sie, ob die Videodatei existiert.</translation>
    </message>
</context>
<context>
    <name>WebEngineModule</name>
    <message>
        <source>Video pages cannot be loaded: the web engine module of this copy of Clipwave is missing or could not be started. Local video files can still be converted.</source>
        <translation>Videoseiten können nicht geladen werden: das Web-Engine-Modul dieser Clipwave-Kopie fehlt oder ließ sich nicht starten. Lokale Videodateien lassen sich weiterhin umwandeln.</translation>
    </message>
</context>
</TS>
