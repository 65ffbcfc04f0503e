<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AI</name>
    <message>
        <source>AI error (%1): %2</source>
        <translation>KI-Fehler (%1): %2</translation>
    </message>
    <message>
        <source>Invalid response from Vorn servers.</source>
        <translation>Ungültige Antwort von den Vorn-Servern.</translation>
    </message>
    <message>
        <source>AI returned empty content.</source>
        <translation>Die KI hat eine leere Antwort geliefert.</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
    <message>
        <source>Could not read the AI reply: %1.</source>
        <translation>Die Antwort der KI ließ sich nicht lesen: %1.</translation>
    </message>
    <message>
        <source>The AI estimate could not be read: %1</source>
        <translation>Die KI-Schätzung ließ sich nicht lesen: %1</translation>
    </message>
</context>
<context>
    <name>Analytics</name>
    <message>
        <source>on time</source>
        <translation>pünktlich</translation>
    </message>
    <message>
        <source>late</source>
        <translation>verspätet</translation>
    </message>
    <message>
        <source>as estimated</source>
        <translation>wie geschätzt</translation>
    </message>
    <message>
        <source>estimated minutes</source>
        <translation>geschätzte Minuten</translation>
    </message>
    <message>
        <source>actual minutes</source>
        <translation>tatsächliche Minuten</translation>
    </message>
    <message>
        <source>on time (%)</source>
        <translation>pünktlich (%)</translation>
    </message>
    <message>
        <source>day of the month</source>
        <translation>Tag im Monat</translation>
    </message>
    <message>
        <source>completed on time</source>
        <translation>pünktlich erledigt</translation>
    </message>
    <message>
        <source>%1m</source>
        <translation>%1 Min.</translation>
    </message>
    <message>
        <source>Completions</source>
        <translation>Abschlüsse</translation>
    </message>
    <message>
        <source>On-time rate</source>
        <translation>Pünktlichkeit</translation>
    </message>
    <message>
        <source>Avg estimate</source>
        <translation>Ø geschätzt</translation>
    </message>
    <message>
        <source>Avg actual</source>
        <translation>Ø tatsächlich</translation>
    </message>
    <message>
        <source>Estimate accuracy</source>
        <translation>Schätzgenauigkeit</translation>
    </message>
    <message>
        <source>On-time streak</source>
        <translation>Pünktlich in Folge</translation>
    </message>
    <message>
        <source>Best on-time streak</source>
        <translation>Beste Serie</translation>
    </message>
    <message>
        <source>Total completed</source>
        <translation>Insgesamt erledigt</translation>
    </message>
    <message>
        <source>%1 · est %2m · actual %3m</source>
        <translation>%1 · geschätzt %2 Min. · tatsächlich %3 Min.</translation>
    </message>
    <message>
        <source>The charts cannot be shown: %1</source>
        <translation>Die Diagramme können nicht angezeigt werden: %1</translation>
    </message>
</context>
<context>
    <name>Autostart</name>
    <message>
        <source>No configuration folder: neither XDG_CONFIG_HOME nor HOME is set.</source>
        <translation>Kein Konfigurationsordner: Weder XDG_CONFIG_HOME noch HOME ist gesetzt.</translation>
    </message>
    <message>
        <source>Could not remove %1.</source>
        <translation>%1 ließ sich nicht entfernen.</translation>
    </message>
    <message>
        <source>Could not create the folder %1.</source>
        <translation>Der Ordner %1 ließ sich nicht anlegen.</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>%1 ließ sich nicht schreiben: %2</translation>
    </message>
</context>
<context>
    <name>Chat</name>
    <message>
        <source>You</source>
        <translation>Du</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>%1/%2 tasks done</source>
        <translation>%1/%2 Aufgaben erledigt</translation>
    </message>
</context>
<context>
    <name>ChatLog</name>
    <message>
        <source>Speech failed: %1 Vorn writes instead.</source>
        <translation>Sprachausgabe fehlgeschlagen: %1 Vorn schreibt stattdessen.</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>A planner for one working day, with a boss that pushes you through it.
Without options, opens the window (or raises the one already open).</source>
        <translation>Ein Planer für einen Arbeitstag, mit einem Chef, der dich durch den Tag treibt.
Ohne Optionen öffnet Vorn das Fenster (oder holt das schon offene nach vorn).</translation>
    </message>
    <message>
        <source>Print the list as numbered, indented text.</source>
        <translation>Gibt die Liste als nummerierten, eingerückten Text aus.</translation>
    </message>
    <message>
        <source>Replace the list with the numbered list in &lt;file&gt; (&apos;-&apos; reads standard input).</source>
        <translation>Ersetzt die Liste durch die nummerierte Liste in &lt;Datei&gt; („-“ liest die Standardeingabe).</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Start in the tray without showing the window (shows it where there is no tray).</source>
        <translation>Startet im Systembereich, ohne das Fenster zu zeigen (zeigt es, wo es keinen Systembereich gibt).</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>Use --export or --import, not both.</source>
        <translation>Entweder --export oder --import, nicht beides.</translation>
    </message>
    <message>
        <source>--hidden only goes with opening the window.</source>
        <translation>--hidden geht nur zusammen mit dem Öffnen des Fensters.</translation>
    </message>
    <message>
        <source>--import needs a file name, or &apos;-&apos; for standard input.</source>
        <translation>--import braucht einen Dateinamen oder „-“ für die Standardeingabe.</translation>
    </message>
    <message>
        <source>Try &apos;vorn --help&apos;.</source>
        <translation>Mehr unter „vorn --help“.</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>Couldn&apos;t parse list. Paste a numbered Notes-style list.</source>
        <translation>Die Liste ließ sich nicht lesen. Füge eine nummerierte Liste wie aus Notizen ein.</translation>
    </message>
    <message>
        <source>no temporary folder: %1</source>
        <translation>kein temporärer Ordner: %1</translation>
    </message>
    <message>
        <source>%1 can only be read</source>
        <translation>%1 kann nur gelesen werden</translation>
    </message>
    <message>
        <source>%1 is locked by another program</source>
        <translation>%1 ist von einem anderen Programm gesperrt</translation>
    </message>
    <message>
        <source>%1 cannot be opened or written, so the list would only be kept in memory</source>
        <translation>%1 lässt sich nicht öffnen oder schreiben, die Liste bliebe also nur im Arbeitsspeicher</translation>
    </message>
    <message>
        <source>The list was not imported: %1.</source>
        <translation>Die Liste wurde nicht importiert: %1.</translation>
    </message>
    <message>
        <source>The list was not saved to %1: %2.</source>
        <translation>Die Liste wurde nicht in %1 gespeichert: %2.</translation>
    </message>
    <message>
        <source>Unknown request: %1</source>
        <translation>Unbekannte Anfrage: %1</translation>
    </message>
    <message>
        <source>Vorn is already running (%1 is held) but did not take the command within %2 s; nothing was changed.</source>
        <translation>Vorn läuft bereits (%1 ist belegt), hat den Befehl aber nicht innerhalb von %2 s angenommen; nichts wurde geändert.</translation>
    </message>
    <message>
        <source>Vorn is running but did not take the command within %1 s; it will not carry it out later. Nothing was changed.</source>
        <translation>Vorn läuft, hat den Befehl aber nicht innerhalb von %1 s angenommen und führt ihn auch später nicht aus. Nichts wurde geändert.</translation>
    </message>
    <message>
        <source>Vorn took the command but gave no result in time; look at its window to see whether it was carried out.</source>
        <translation>Vorn hat den Befehl angenommen, aber nicht rechtzeitig geantwortet; sieh im Fenster nach, ob er ausgeführt wurde.</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 lässt sich nicht lesen: %2</translation>
    </message>
    <message>
        <source>cannot read %1: it is damaged or not a Vorn database</source>
        <translation>%1 lässt sich nicht lesen: Die Datei ist beschädigt oder keine Vorn-Datenbank</translation>
    </message>
    <message>
        <source>vorn: the old database could not be read; it was kept at %1.
</source>
        <translation>vorn: Die alte Datenbank war nicht lesbar; sie wurde unter %1 aufbewahrt.
</translation>
    </message>
</context>
<context>
    <name>HostsBlocker</name>
    <message>
        <source>Vorn needs your password once to set up website blocking. After this, Demon Mode won&apos;t ask again.</source>
        <translation>Vorn braucht einmal dein Passwort, um die Website-Sperre einzurichten. Danach fragt der Dämonenmodus nicht mehr.</translation>
    </message>
    <message>
        <source>Helper exited with code %1</source>
        <translation>Das Hilfsprogramm endete mit Code %1</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
    <message>
        <source>Website blocking failed: %1</source>
        <translation>Website-Sperre fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Could not run privileged command.</source>
        <translation>Der Befehl mit Administratorrechten ließ sich nicht ausführen.</translation>
    </message>
    <message>
        <source>Website blocking helper is missing from the app bundle.</source>
        <translation>Das Hilfsprogramm für die Website-Sperre fehlt in der Installation.</translation>
    </message>
    <message>
        <source>Website blocking setup did not complete. Try again from Settings.</source>
        <translation>Die Website-Sperre wurde nicht fertig eingerichtet. Versuche es in den Einstellungen noch einmal.</translation>
    </message>
</context>
<context>
    <name>ImportSource</name>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 lässt sich nicht lesen: %2</translation>
    </message>
    <message>
        <source>standard input</source>
        <translation>Standardeingabe</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 is larger than %2; Vorn imports lists of up to %2</source>
        <translation>%1 ist größer als %2; Vorn importiert Listen bis %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file (a device, a folder or a socket); Vorn imports a list from a file or standard input</source>
        <translation>%1 ist keine gewöhnliche Datei (sondern ein Gerät, ein Ordner oder ein Socket); Vorn importiert eine Liste aus einer Datei oder der Standardeingabe</translation>
    </message>
    <message>
        <source>%1 gave no data for %2 s; nothing was imported</source>
        <translation>%1 lieferte %2 s lang keine Daten; nichts wurde importiert</translation>
    </message>
    <message>
        <source>%1 is not UTF-8 text</source>
        <translation>%1 ist kein UTF-8-Text</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts</name>
    <message>
        <source>Up / Down</source>
        <translation>Hoch / Herunter</translation>
    </message>
    <message>
        <source>Walk the rows</source>
        <translation>Durch die Zeilen gehen</translation>
    </message>
    <message>
        <source>Shift+Up / Shift+Down</source>
        <translation>Umschalt+Hoch / Umschalt+Herunter</translation>
    </message>
    <message>
        <source>Pick a range of rows</source>
        <translation>Mehrere Zeilen am Stück auswählen</translation>
    </message>
    <message>
        <source>Enter / F2</source>
        <translation>Enter / F2</translation>
    </message>
    <message>
        <source>Edit the current row&apos;s title</source>
        <translation>Titel der aktuellen Zeile bearbeiten</translation>
    </message>
    <message>
        <source>Typing on a row</source>
        <translation>Tippen auf einer Zeile</translation>
    </message>
    <message>
        <source>Its title, the typed text in place of the old</source>
        <translation>Ihr Titel, das Getippte statt des alten</translation>
    </message>
    <message>
        <source>Enter (in a title)</source>
        <translation>Enter (im Titel)</translation>
    </message>
    <message>
        <source>New task below</source>
        <translation>Neue Aufgabe darunter</translation>
    </message>
    <message>
        <source>Tab / Shift+Tab (in a title)</source>
        <translation>Tab / Umschalt+Tab (im Titel)</translation>
    </message>
    <message>
        <source>Indent / outdent the task</source>
        <translation>Aufgabe ein- / ausrücken</translation>
    </message>
    <message>
        <source>Tab / Shift+Tab</source>
        <translation>Tab / Umschalt+Tab</translation>
    </message>
    <message>
        <source>Next / previous of the list, the chat input and the list title</source>
        <translation>Vor / zurück zwischen Liste, Chat-Eingabe und Listentitel</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>End editing and keep the text; on the list, drop the picked rows</source>
        <translation>Bearbeiten beenden, Text behalten; in der Liste die Auswahl aufheben</translation>
    </message>
    <message>
        <source>Ctrl+Return</source>
        <translation>Strg+Return</translation>
    </message>
    <message>
        <source>Complete or reopen the task</source>
        <translation>Aufgabe erledigen oder wieder öffnen</translation>
    </message>
    <message>
        <source>Right (at the end of a title)</source>
        <translation>Rechts (am Ende des Titels)</translation>
    </message>
    <message>
        <source>The task&apos;s minutes, selected</source>
        <translation>Zu den Minuten der Aufgabe, markiert</translation>
    </message>
    <message>
        <source>Left (at the start of the minutes) / Escape</source>
        <translation>Links (am Anfang der Minuten) / Esc</translation>
    </message>
    <message>
        <source>Back to the title</source>
        <translation>Zurück zum Titel</translation>
    </message>
    <message>
        <source>Enter (in the minutes)</source>
        <translation>Enter (in den Minuten)</translation>
    </message>
    <message>
        <source>Keep the minutes and add a task below</source>
        <translation>Minuten übernehmen und darunter eine Aufgabe anlegen</translation>
    </message>
    <message>
        <source>Backspace / Delete (in an empty title)</source>
        <translation>Rücktaste / Entf (im leeren Titel)</translation>
    </message>
    <message>
        <source>Remove the row</source>
        <translation>Zeile entfernen</translation>
    </message>
    <message>
        <source>Alt+Up / Alt+Down</source>
        <translation>Alt+Hoch / Alt+Herunter</translation>
    </message>
    <message>
        <source>Move the task up or down</source>
        <translation>Aufgabe nach oben oder unten verschieben</translation>
    </message>
    <message>
        <source>Ctrl+Delete (on a folder row)</source>
        <translation>Strg+Entf (auf einer Ordnerzeile)</translation>
    </message>
    <message>
        <source>Delete the folder</source>
        <translation>Ordner löschen</translation>
    </message>
    <message>
        <source>Ctrl+A / Ctrl+C</source>
        <translation>Strg+A / Strg+C</translation>
    </message>
    <message>
        <source>Pick every row / copy the picked rows as a numbered list</source>
        <translation>Alle Zeilen auswählen / ausgewählte Zeilen als nummerierte Liste kopieren</translation>
    </message>
    <message>
        <source>Ctrl+V</source>
        <translation>Strg+V</translation>
    </message>
    <message>
        <source>Paste a numbered list (on a folder row: into that folder)</source>
        <translation>Nummerierte Liste einfügen (auf einer Ordnerzeile: in diesen Ordner)</translation>
    </message>
    <message>
        <source>Enter / Shift+Enter / Escape (in the chat input)</source>
        <translation>Enter / Umschalt+Enter / Escape (in der Chat-Eingabe)</translation>
    </message>
    <message>
        <source>Send / new line / back to the list, the text kept</source>
        <translation>Senden / neue Zeile / zurück zur Liste, der Text bleibt</translation>
    </message>
    <message>
        <source>Enter / Escape (in the list title)</source>
        <translation>Enter / Escape (im Listentitel)</translation>
    </message>
    <message>
        <source>Keep the title, back to the list</source>
        <translation>Titel behalten, zurück zur Liste</translation>
    </message>
    <message>
        <source>Escape / Ctrl+W (in Settings)</source>
        <translation>Escape / Strg+W (in den Einstellungen)</translation>
    </message>
    <message>
        <source>Close Settings</source>
        <translation>Einstellungen schließen</translation>
    </message>
</context>
<context>
    <name>Mood</name>
    <message>
        <source>⚡ SURGE MODE</source>
        <translation>⚡ SPURTMODUS</translation>
    </message>
    <message>
        <source>Time cut in half in this list — move now</source>
        <translation>Zeit in dieser Liste halbiert – jetzt los</translation>
    </message>
    <message>
        <source>Demon Mode</source>
        <translation>Dämonenmodus</translation>
    </message>
    <message>
        <source>No excuses. Execute.</source>
        <translation>Keine Ausreden. Umsetzen.</translation>
    </message>
    <message>
        <source>Mission Mode</source>
        <translation>Missionsmodus</translation>
    </message>
    <message>
        <source>Build the future</source>
        <translation>Bau die Zukunft</translation>
    </message>
    <message>
        <source>Normal Mode</source>
        <translation>Normalmodus</translation>
    </message>
    <message>
        <source>Demon chance %1%</source>
        <translation>Dämonenchance %1 %</translation>
    </message>
</context>
<context>
    <name>Network</name>
    <message>
        <source>The reply was too large (over %1 MB).</source>
        <translation>Die Antwort war zu groß (über %1 MB).</translation>
    </message>
    <message>
        <source>Network access was shut down.</source>
        <translation>Der Netzwerkzugriff wurde beendet.</translation>
    </message>
</context>
<context>
    <name>OutlineRow</name>
    <message>
        <source>Task name</source>
        <translation>Name der Aufgabe</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>1 minute</source>
        <translation>1 Minute</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation>%1 Minuten</translation>
    </message>
    <message>
        <source>Drag to move</source>
        <translation>Zum Verschieben ziehen</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Erledigt</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Offen</translation>
    </message>
    <message>
        <source>Done by %1</source>
        <translation>Fertig um %1</translation>
    </message>
    <message>
        <source>Delete folder</source>
        <translation>Ordner löschen</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>Task</source>
        <translation>Aufgabe</translation>
    </message>
    <message>
        <source>done by %1</source>
        <translation>fertig um %1</translation>
    </message>
    <message>
        <source>completed</source>
        <translation>erledigt</translation>
    </message>
    <message>
        <source>open</source>
        <translation>offen</translation>
    </message>
    <message>
        <source>Tab to indent · Shift+Tab to outdent</source>
        <translation>Tab rückt ein · Umschalt+Tab rückt aus</translation>
    </message>
    <message>
        <source>Tab to indent under item above · Shift+Tab to outdent</source>
        <translation>Tab rückt unter den Eintrag darüber ein · Umschalt+Tab rückt aus</translation>
    </message>
</context>
<context>
    <name>Percent</name>
    <message>
        <source>%1%</source>
        <comment>a whole percentage</comment>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>Proxy</name>
    <message>
        <source>vorn-proxy did not report its port.</source>
        <translation>vorn-proxy hat seinen Port nicht gemeldet.</translation>
    </message>
    <message>
        <source>vorn-proxy did not become ready in time.</source>
        <translation>vorn-proxy wurde nicht rechtzeitig bereit.</translation>
    </message>
    <message>
        <source>vorn-proxy could not be started (%1).</source>
        <translation>vorn-proxy ließ sich nicht starten (%1).</translation>
    </message>
    <message>
        <source>vorn-proxy stopped unexpectedly.</source>
        <translation>vorn-proxy wurde unerwartet beendet.</translation>
    </message>
    <message>
        <source>vorn-proxy exited with status %1. %2</source>
        <translation>vorn-proxy endete mit Status %1. %2</translation>
    </message>
    <message>
        <source>Proxy address must use https: %1</source>
        <translation>Die Proxy-Adresse muss https verwenden: %1</translation>
    </message>
</context>
<context>
    <name>ProxySettings</name>
    <message>
        <source>built-in</source>
        <translation>integriert</translation>
    </message>
    <message>
        <source>OpenAI-compatible</source>
        <translation>OpenAI-kompatibel</translation>
    </message>
    <message>
        <source>No answer from %1 (timed out).</source>
        <translation>Keine Antwort von %1 (Zeitüberschreitung).</translation>
    </message>
    <message>
        <source>No answer from %1: %2</source>
        <translation>Keine Antwort von %1: %2</translation>
    </message>
    <message>
        <source>The proxy refused the token (%1).</source>
        <translation>Der Proxy hat das Token abgelehnt (%1).</translation>
    </message>
    <message>
        <source>Something answers at %1, but it is not vorn-proxy (404).</source>
        <translation>Unter %1 antwortet etwas, aber nicht vorn-proxy (404).</translation>
    </message>
    <message>
        <source>The proxy answered %1.</source>
        <translation>Der Proxy antwortete mit %1.</translation>
    </message>
    <message>
        <source>The proxy answered %1: %2</source>
        <translation>Der Proxy antwortete mit %1: %2</translation>
    </message>
    <message>
        <source>Something answers at %1, but not like vorn-proxy.</source>
        <translation>Unter %1 antwortet etwas, aber nicht wie vorn-proxy.</translation>
    </message>
    <message>
        <source>Connected: %1 chat, %2 voice</source>
        <translation>Verbunden – Chat: %1, Stimme: %2</translation>
    </message>
    <message>
        <source>Not a proxy address: %1 (for example https://proxy.example.org or http://127.0.0.1:8765)</source>
        <translation>Keine Proxy-Adresse: %1 (zum Beispiel https://proxy.example.org oder http://127.0.0.1:8765)</translation>
    </message>
    <message>
        <source>The built-in proxy starts when Vorn next starts.</source>
        <translation>Der integrierte Proxy startet beim nächsten Start von Vorn.</translation>
    </message>
    <message>
        <source>The built-in proxy is still starting.</source>
        <translation>Der integrierte Proxy startet noch.</translation>
    </message>
    <message>
        <source>The built-in proxy is not running. %1</source>
        <translation>Der integrierte Proxy läuft nicht. %1</translation>
    </message>
</context>
<context>
    <name>RuntimeModule</name>
    <message>
        <source>%1 was not found in %2.</source>
        <translation>%1 wurde in %2 nicht gefunden.</translation>
    </message>
</context>
<context>
    <name>Schedule</name>
    <message>
        <source>%1:%2 left</source>
        <translation>noch %1:%2</translation>
    </message>
</context>
<context>
    <name>Speech</name>
    <message>
        <source>Enter some text to speak.</source>
        <translation>Gib einen Text zum Vorlesen ein.</translation>
    </message>
    <message>
        <source>Invalid response from voice server.</source>
        <translation>Ungültige Antwort vom Sprachserver.</translation>
    </message>
    <message>
        <source>Voice server returned empty audio.</source>
        <translation>Der Sprachserver hat leere Audiodaten geliefert.</translation>
    </message>
    <message>
        <source>No sound device: Vorn will write instead of speak.</source>
        <translation>Kein Audiogerät: Vorn schreibt, statt zu sprechen.</translation>
    </message>
    <message>
        <source>The speech audio could not be read: it is not MP3 data.</source>
        <translation>Die Sprachausgabe ließ sich nicht lesen: Es sind keine MP3-Daten.</translation>
    </message>
    <message>
        <source>Could not play audio.</source>
        <translation>Die Audiowiedergabe ist fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>TaskStore</name>
    <message>
        <source>%1 task</source>
        <translation>%1 Aufgabe</translation>
    </message>
    <message>
        <source>%1 tasks</source>
        <translation>%1 Aufgaben</translation>
    </message>
    <message>
        <source>Couldn&apos;t parse list. Paste a numbered Notes-style list.</source>
        <translation>Die Liste ließ sich nicht lesen. Füge eine nummerierte Liste wie aus Notizen ein.</translation>
    </message>
    <message>
        <source>That list no longer exists. Nothing was pasted.</source>
        <translation>Diese Liste gibt es nicht mehr. Es wurde nichts eingefügt.</translation>
    </message>
    <message>
        <source>Type a task and press Enter for the next one; Tab moves between the list and the chat; Ctrl+Return ticks a task off; paste a numbered list to import it.</source>
        <translation>Tippe eine Aufgabe und drücke Enter für die nächste; Tab wechselt zwischen Liste und Chat; Strg+Return hakt eine Aufgabe ab; füge eine nummerierte Liste ein, um sie zu importieren.</translation>
    </message>
</context>
<context>
    <name>TrayWords</name>
    <message>
        <source>Untitled task</source>
        <translation>Unbenannte Aufgabe</translation>
    </message>
    <message>
        <source>until %1</source>
        <translation>bis %1</translation>
    </message>
    <message>
        <source>Vorn — Demon mode</source>
        <translation>Vorn — Dämonenmodus</translation>
    </message>
    <message>
        <source>Vorn — Messianic mode</source>
        <translation>Vorn — Messianischer Modus</translation>
    </message>
    <message>
        <source>Vorn — Normal mode</source>
        <translation>Vorn — Normalmodus</translation>
    </message>
    <message numerus="yes">
        <source>%n min left</source>
        <translation>
            <numerusform>noch %n Min.</numerusform>
            <numerusform>noch %n Min.</numerusform>
        </translation>
    </message>
    <message>
        <source>due now</source>
        <translation>jetzt fällig</translation>
    </message>
    <message numerus="yes">
        <source>%n min over</source>
        <translation>
            <numerusform>%n Min. drüber</numerusform>
            <numerusform>%n Min. drüber</numerusform>
        </translation>
    </message>
    <message>
        <source>Now: %1</source>
        <translation>Jetzt: %1</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>Every task is done.</source>
        <translation>Alle Aufgaben sind erledigt.</translation>
    </message>
    <message>
        <source>No open task.</source>
        <translation>Keine offene Aufgabe.</translation>
    </message>
</context>
<context>
    <name>vorn::AnalyticsSheet</name>
    <message>
        <source>Analytics</source>
        <translation>Auswertung</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Recent completions</source>
        <translation>Zuletzt erledigt</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Estimate vs actual</source>
        <translation>Geschätzt und tatsächlich</translation>
    </message>
    <message>
        <source>On time, 14 days</source>
        <translation>Pünktlich, 14 Tage</translation>
    </message>
</context>
<context>
    <name>vorn::BossEngine</name>
    <message>
        <source>Vorn mode reset — fresh start.</source>
        <translation>Vorns Modus zurückgesetzt – Neustart.</translation>
    </message>
    <message>
        <source>⚡ SURGE MODE — Vorn halved remaining times in %1 for 30 minutes.</source>
        <translation>⚡ SPURTMODUS – Vorn hat die verbleibenden Zeiten in %1 für 30 Minuten halbiert.</translation>
    </message>
</context>
<context>
    <name>vorn::BossNotifications</name>
    <message>
        <source>Show Vorn</source>
        <translation>Vorn zeigen</translation>
    </message>
    <message>
        <source>Mark Done</source>
        <translation>Abhaken</translation>
    </message>
</context>
<context>
    <name>vorn::BossWatch</name>
    <message>
        <source>Vorn monitoring active.</source>
        <translation>Vorn hat deinen Tag im Blick.</translation>
    </message>
</context>
<context>
    <name>vorn::ChatBubbleDelegate</name>
    <message>
        <source>Vorn is typing…</source>
        <translation>Vorn schreibt…</translation>
    </message>
</context>
<context>
    <name>vorn::ChatInput</name>
    <message>
        <source>Message Vorn…</source>
        <translation>Nachricht an Vorn…</translation>
    </message>
</context>
<context>
    <name>vorn::ChatLog</name>
    <message>
        <source>Vorn (%1)</source>
        <translation>Vorn (%1)</translation>
    </message>
</context>
<context>
    <name>vorn::ChatMessagesModel</name>
    <message>
        <source>Vorn is typing…</source>
        <translation>Vorn schreibt…</translation>
    </message>
</context>
<context>
    <name>vorn::ChatPanel</name>
    <message>
        <source>Copy All</source>
        <translation>Alles kopieren</translation>
    </message>
    <message>
        <source>Chat with Vorn</source>
        <translation>Chat mit Vorn</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
</context>
<context>
    <name>vorn::ConnectionGroup</name>
    <message>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <source>Built-in (vorn-proxy)</source>
        <translation>Integriert (vorn-proxy)</translation>
    </message>
    <message>
        <source>For a proxy at an address</source>
        <translation>Für einen Proxy unter einer Adresse</translation>
    </message>
    <message>
        <source>Test connection</source>
        <translation>Verbindung testen</translation>
    </message>
    <message>
        <source>Empty: Vorn runs its own proxy. Changes take effect when Vorn next starts.</source>
        <translation>Leer: Vorn startet seinen eigenen Proxy. Änderungen gelten ab dem nächsten Start von Vorn.</translation>
    </message>
    <message>
        <source>%1 is set and takes precedence.</source>
        <translation>%1 ist gesetzt und hat Vorrang.</translation>
    </message>
    <message>
        <source>Proxy address</source>
        <translation>Proxy-Adresse</translation>
    </message>
    <message>
        <source>Token</source>
        <translation>Token</translation>
    </message>
    <message>
        <source>No keyring is running; the token is kept in the preference file.</source>
        <translation>Es läuft kein Schlüsselbund; das Token wird in der Einstellungsdatei gespeichert.</translation>
    </message>
    <message>
        <source>Testing…</source>
        <translation>Wird getestet…</translation>
    </message>
</context>
<context>
    <name>vorn::DesktopPresence</name>
    <message>
        <source>Vorn is still running</source>
        <translation>Vorn läuft weiter</translation>
    </message>
    <message>
        <source>Vorn keeps watching your day from the panel. Quit it from the tray menu or with Ctrl+Q.</source>
        <translation>Vorn behält deinen Tag von der Leiste aus im Blick. Beenden kannst du Vorn im Menü des Symbols oder mit Strg+Q.</translation>
    </message>
    <message>
        <source>Show Vorn</source>
        <translation>Vorn zeigen</translation>
    </message>
</context>
<context>
    <name>vorn::HandOverServer</name>
    <message>
        <source>This Vorn speaks another version of the hand-over; quit it and try again.</source>
        <translation>Das laufende Vorn spricht eine andere Version der Übergabe; beende es und versuche es noch einmal.</translation>
    </message>
    <message>
        <source>The request is larger than 64 MB.</source>
        <translation>Die Anfrage ist größer als 64 MB.</translation>
    </message>
    <message>
        <source>The request could not be read.</source>
        <translation>Die Anfrage ließ sich nicht lesen.</translation>
    </message>
</context>
<context>
    <name>vorn::ImportTasksSheet</name>
    <message>
        <source>Import Tasks</source>
        <translation>Aufgaben importieren</translation>
    </message>
    <message>
        <source>Paste a numbered list from Notes. It replaces your current list and builds folders from indented sub-items.</source>
        <translation>Füge eine nummerierte Liste aus deinen Notizen ein. Sie ersetzt deine aktuelle Liste; eingerückte Unterpunkte werden zu Ordnern.</translation>
    </message>
    <message>
        <source>Add to list</source>
        <translation>Zur Liste</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
</context>
<context>
    <name>vorn::KeyboardShortcutsDialog</name>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Tasten</translation>
    </message>
    <message>
        <source>Does</source>
        <translation>Funktion</translation>
    </message>
</context>
<context>
    <name>vorn::MainWindow</name>
    <message>
        <source>Show Vorn</source>
        <translation>Vorn zeigen</translation>
    </message>
    <message>
        <source>Message to Vorn</source>
        <translation>Nachricht an Vorn</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Hide Vorn</source>
        <translation>Vorn ausblenden</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>More commands</source>
        <translation>Weitere Befehle</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Import tasks from pasted text</source>
        <translation>Aufgaben aus eingefügtem Text importieren</translation>
    </message>
    <message>
        <source>Analytics</source>
        <translation>Auswertung</translation>
    </message>
    <message>
        <source>View completion analytics</source>
        <translation>Auswertung der erledigten Aufgaben ansehen</translation>
    </message>
    <message>
        <source>Restart from Now</source>
        <translation>Ab jetzt neu planen</translation>
    </message>
    <message>
        <source>AI Estimate</source>
        <translation>KI-Schätzung</translation>
    </message>
    <message>
        <source>Estimating</source>
        <translation>Schätzung läuft</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>More menus</source>
        <translation>Weitere Menüs</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Import…</source>
        <translation>Importieren…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Day</source>
        <translation>&amp;Tag</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>About Vorn</source>
        <translation>Über Vorn</translation>
    </message>
    <message>
        <source>Vorn %1
A planner for one working day, with a boss that pushes you through it.</source>
        <translation>Vorn %1
Ein Planer für einen Arbeitstag, mit einem Chef, der dich durch den Tag treibt.</translation>
    </message>
</context>
<context>
    <name>vorn::ModeCards</name>
    <message>
        <source>Urgency</source>
        <translation>Dringlichkeit</translation>
    </message>
    <message>
        <source>Messianic</source>
        <translation>Messianisch</translation>
    </message>
    <message>
        <source>Demon</source>
        <translation>Dämon</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
</context>
<context>
    <name>vorn::Outline</name>
    <message>
        <source>Timeline restarted from now.</source>
        <translation>Zeitplan ab jetzt neu gestartet.</translation>
    </message>
    <message>
        <source>Timeline reset. Motivational mode — fresh start.</source>
        <translation>Zeitplan zurückgesetzt. Motivationsmodus – Neustart.</translation>
    </message>
</context>
<context>
    <name>vorn::OutlineDelegate</name>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Task name</source>
        <translation>Name der Aufgabe</translation>
    </message>
</context>
<context>
    <name>vorn::OutlineHeaderBar</name>
    <message>
        <source>List name</source>
        <translation>Name der Liste</translation>
    </message>
    <message>
        <source>Add row</source>
        <translation>Zeile hinzufügen</translation>
    </message>
    <message>
        <source>To do</source>
        <translation>Zu erledigen</translation>
    </message>
    <message>
        <source>%1/%2 done</source>
        <translation>%1/%2 erledigt</translation>
    </message>
    <message>
        <source>Done by %1</source>
        <translation>Fertig um %1</translation>
    </message>
    <message>
        <source>%1 on-time streak</source>
        <translation>%1 pünktlich in Folge</translation>
    </message>
    <message>
        <source>%1 completed</source>
        <translation>insgesamt %1 erledigt</translation>
    </message>
</context>
<context>
    <name>vorn::OutlineTable</name>
    <message>
        <source>Tasks</source>
        <translation>Aufgaben</translation>
    </message>
</context>
<context>
    <name>vorn::OutlineTableModel</name>
    <message>
        <source>Task</source>
        <translation>Aufgabe</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>Min.</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>vorn::SettingsWindow</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>AI</source>
        <translation>KI</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>e.g. gpt-4o-mini, gpt-4o</source>
        <translation>z. B. gpt-4o-mini, gpt-4o</translation>
    </message>
    <message>
        <source>Late threshold</source>
        <translation>Verspätungsschwelle</translation>
    </message>
    <message>
        <source>Speak messages</source>
        <translation>Nachrichten vorlesen</translation>
    </message>
    <message>
        <source>Show notifications</source>
        <translation>Benachrichtigungen anzeigen</translation>
    </message>
    <message>
        <source>Start Vorn when I log in</source>
        <translation>Vorn beim Anmelden starten</translation>
    </message>
    <message>
        <source>Reset Vorn Mode</source>
        <translation>Vorns Modus zurücksetzen</translation>
    </message>
    <message>
        <source>Clear All Tasks</source>
        <translation>Alle Aufgaben löschen</translation>
    </message>
    <message>
        <source>Chat at this threshold, then Demon mode at 1.5×. Monitoring only while the app is open.</source>
        <translation>Ab dieser Schwelle meldet sich Vorn im Chat, beim 1,5-Fachen folgt der Dämonenmodus. Überwacht wird nur, solange die App offen ist.</translation>
    </message>
    <message>
        <source>Resets urgency to 0, 100% messianic mode, and sends a fresh welcome message.</source>
        <translation>Setzt die Dringlichkeit auf 0 und den messianischen Modus auf 100 % und schickt eine neue Begrüßung.</translation>
    </message>
    <message>
        <source>Demon Mode</source>
        <translation>Dämonenmodus</translation>
    </message>
    <message>
        <source>Block distracting sites in Demon Mode</source>
        <translation>Ablenkende Websites im Dämonenmodus sperren</translation>
    </message>
    <message>
        <source>Set Up Once</source>
        <translation>Einmal einrichten</translation>
    </message>
    <message>
        <source>Blocked sites (one per line)</source>
        <translation>Gesperrte Websites (eine pro Zeile)</translation>
    </message>
    <message>
        <source>List a site both with and without &quot;www.&quot; (for example example.com and www.example.com). Setting up asks once for the administrator password; after that Demon mode blocks and unblocks the sites without asking.</source>
        <translation>Trage eine Website mit und ohne „www.“ ein (zum Beispiel example.com und www.example.com). Beim Einrichten wird einmal nach dem Administratorpasswort gefragt; danach sperrt und entsperrt der Dämonenmodus die Websites ohne Nachfrage.</translation>
    </message>
    <message>
        <source>Left out, not a host name: %1</source>
        <translation>Ausgelassen, kein Hostname: %1</translation>
    </message>
    <message>
        <source>Website blocking ready</source>
        <translation>Website-Sperre bereit</translation>
    </message>
    <message>
        <source>Website blocking not set up</source>
        <translation>Website-Sperre nicht eingerichtet</translation>
    </message>
    <message>
        <source>Setting up…</source>
        <translation>Wird eingerichtet…</translation>
    </message>
    <message>
        <source>Setup complete. Demon Mode won&apos;t ask for your password again.</source>
        <translation>Eingerichtet. Der Dämonenmodus fragt nicht mehr nach deinem Passwort.</translation>
    </message>
    <message>
        <source>Clear all tasks?</source>
        <translation>Alle Aufgaben löschen?</translation>
    </message>
    <message>
        <source>This removes your task list, paste text, and chat history. Settings are kept.</source>
        <translation>Das entfernt deine Aufgabenliste, den eingefügten Text und den Chatverlauf. Die Einstellungen bleiben erhalten.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>vorn::SurgeCountdown</name>
    <message>
        <source>⚡ SURGE</source>
        <translation>⚡ SPURT</translation>
    </message>
</context>
<context>
    <name>vorn::TaskStore</name>
    <message>
        <source>Task done on time. %1 on-time streak.</source>
        <translation>Aufgabe pünktlich erledigt. %1 pünktlich in Folge.</translation>
    </message>
    <message>
        <source>Task finished late. Urgency %1 to %2.</source>
        <translation>Aufgabe verspätet erledigt. Dringlichkeit von %1 auf %2.</translation>
    </message>
    <message>
        <source>Task reopened: %1</source>
        <translation>Aufgabe wieder geöffnet: %1</translation>
    </message>
    <message>
        <source>Loaded %1.</source>
        <translation>%1 geladen.</translation>
    </message>
    <message>
        <source>Loaded %1 from paste. Let&apos;s go.</source>
        <translation>%1 aus dem eingefügten Text geladen. Los geht’s.</translation>
    </message>
    <message>
        <source>Pasted %1 items into %2.</source>
        <translation>%1 Einträge in %2 eingefügt.</translation>
    </message>
    <message>
        <source>Your changes could not be saved to %1. Vorn keeps them while it runs and tries again with the next change.</source>
        <translation>Deine Änderungen ließen sich nicht in %1 speichern. Vorn behält sie, solange es läuft, und versucht es bei der nächsten Änderung erneut.</translation>
    </message>
    <message>
        <source>All tasks cleared.</source>
        <translation>Alle Aufgaben gelöscht.</translation>
    </message>
    <message>
        <source>Vorn online. Import tasks to get started.</source>
        <translation>Vorn ist bereit. Importiere Aufgaben, um loszulegen.</translation>
    </message>
    <message>
        <source>Welcome back — %1 loaded.</source>
        <translation>Willkommen zurück – %1 geladen.</translation>
    </message>
    <message>
        <source>The database is free again; your list is loaded.</source>
        <translation>Die Datenbank ist wieder frei; deine Liste ist geladen.</translation>
    </message>
    <message>
        <source>The saved database could not be read. It was kept at %1 and a new, empty database was started.</source>
        <translation>Die gespeicherte Datenbank ließ sich nicht lesen. Sie wurde unter %1 aufbewahrt, und eine neue, leere Datenbank wurde angelegt.</translation>
    </message>
    <message>
        <source>Vorn can only read %1. Your list is shown, but changes will not be saved.</source>
        <translation>Vorn kann %1 nur lesen. Deine Liste wird angezeigt, aber Änderungen werden nicht gespeichert.</translation>
    </message>
    <message>
        <source>The database %1 is in use by another program. Vorn loads your list as soon as it is free; until then nothing is saved, and changes made here are not kept.</source>
        <translation>Die Datenbank %1 wird von einem anderen Programm verwendet. Vorn lädt deine Liste, sobald sie frei ist; bis dahin wird nichts gespeichert, und Änderungen hier gehen verloren.</translation>
    </message>
    <message>
        <source>Vorn cannot write to %1. Changes will not be saved: they are lost when Vorn quits.</source>
        <translation>Vorn kann nicht in %1 schreiben. Änderungen werden nicht gespeichert: Sie gehen verloren, wenn Vorn beendet wird.</translation>
    </message>
</context>
<context>
    <name>vorn::TimelineEstimator</name>
    <message>
        <source>Import tasks first.</source>
        <translation>Importiere zuerst Aufgaben.</translation>
    </message>
    <message>
        <source>Estimating aggressive timeline…</source>
        <translation>Ehrgeiziger Zeitplan wird geschätzt…</translation>
    </message>
    <message>
        <source>AI estimates applied.</source>
        <translation>KI-Schätzungen übernommen.</translation>
    </message>
    <message>
        <source>AI timeline applied to %1.</source>
        <translation>KI-Zeitplan für %1 übernommen.</translation>
    </message>
</context>
<context>
    <name>vorn::TrayIcon</name>
    <message>
        <source>Mark Done</source>
        <translation>Abhaken</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Als Nächstes</translation>
    </message>
    <message>
        <source>Hide Vorn</source>
        <translation>Vorn ausblenden</translation>
    </message>
    <message>
        <source>Show Vorn</source>
        <translation>Vorn zeigen</translation>
    </message>
    <message>
        <source>Speak Messages</source>
        <translation>Nachrichten vorlesen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>vorn::WebsiteBlocking</name>
    <message>
        <source>Website blocking skips entries that are not host names: %1</source>
        <translation>Die Website-Sperre überspringt Einträge, die keine Hostnamen sind: %1</translation>
    </message>
</context>
</TS>
