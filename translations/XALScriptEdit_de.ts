<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name>XALScriptEdit</name>
    <message>
        <source>&amp;Information</source>
        <translation>&amp;Information</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Utilities</source>
        <translation>Dienstprogramme</translation>
    </message>
    <message>
        <source>Diagnostics</source>
        <translation>Diagnose</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Variable</source>
        <translation>Variable</translation>
    </message>
    <message>
        <source>Now recording ...</source>
        <translation>Aufzeichnung läuft ...</translation>
    </message>
    <message>
        <source>Recording paused</source>
        <translation>Aufzeichnung angehalten</translation>
    </message>
    <message>
        <source>Resume </source>
        <translation>Fortsetzen </translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Character not permitted: &apos;%s&apos; Please switch to the URL-encoded input mode.</source>
        <translation>Zeichen nicht erlaubt: &apos;%s&apos; Bitte wechseln Sie in den URL-kodierten Eingabemodus.</translation>
    </message>
    <message>
        <source>XAL parameter in the URL parameter</source>
        <translation>XAL-Parameter im URL-Parameter</translation>
    </message>
    <message>
        <source>Separators between URL sections</source>
        <translation>Trennzeichen zwischen URL-Abschnitten</translation>
    </message>
    <message>
        <source>Root URL has changed. Rewrite the main script?</source>
        <translation>Die Stamm-URL wurde geändert. Hauptskript neu schreiben?</translation>
    </message>
    <message>
        <source>Name of new conditional script</source>
        <translation>Name des neuen Bedingungsskripts</translation>
    </message>
    <message>
        <source>&apos;Server&apos; section of the URL (without protocol)</source>
        <translation>Abschnitt &apos;Server&apos; der URL (ohne Protokoll)</translation>
    </message>
    <message>
        <source>&apos;Address&apos; section of the URL (without protocol or server)</source>
        <translation>Abschnitt &apos;Adresse&apos; der URL (ohne Protokoll und Server)</translation>
    </message>
    <message>
        <source>Parameter name</source>
        <translation>Parametername</translation>
    </message>
    <message>
        <source>Separator within the URL parameter</source>
        <translation>Trennzeichen innerhalb des URL-Parameters</translation>
    </message>
    <message>
        <source>Separator within the URL</source>
        <translation>Trennzeichen innerhalb der URL</translation>
    </message>
    <message>
        <source>E-script (XAL ID: &apos;%s&apos;) is temporarily locked by user &apos;%s&apos; at station &apos;%s&apos; and cannot be edited.</source>
        <translation>Das E-Script (XAL-ID: &apos;%s&apos;) ist vorübergehend von Benutzer &apos;%s&apos; an Station &apos;%s&apos; gesperrt und kann nicht bearbeitet werden.</translation>
    </message>
    <message>
        <source>No XAL LSP modules installed. Cannot begin recording.</source>
        <translation>Keine XAL-LSP-Module installiert. Die Aufzeichnung kann nicht beginnen.</translation>
    </message>
    <message>
        <source>To close the main script, you have to close the Script Editor. Close the Script Editor now?</source>
        <translation>Um das Hauptskript zu schließen, müssen Sie den Script Editor schließen. Script Editor jetzt schließen?</translation>
    </message>
    <message>
        <source>Create conditional script</source>
        <translation>Bedingungsskript erstellen</translation>
    </message>
    <message>
        <source>Delete conditional script</source>
        <translation>Bedingungsskript löschen</translation>
    </message>
    <message>
        <source>Parameter value</source>
        <translation>Parameterwert</translation>
    </message>
    <message>
        <source>The &apos;%s&apos; domain will be excluded from recording. This setting will be applied the next time the recording is started. Resume?</source>
        <translation>Die Domäne &apos;%s&apos; wird von der Aufzeichnung ausgeschlossen. Diese Einstellung gilt ab dem nächsten Start der Aufzeichnung. Fortfahren?</translation>
    </message>
    <message>
        <source>When the XAL Settings program is open, no domains can be excluded from the recording process. The XAL Settings program is currently in use by user &apos;%s&apos; at station &apos;%s&apos;.  </source>
        <translation>Solange das Programm XAL Settings geöffnet ist, können keine Domänen von der Aufzeichnung ausgeschlossen werden. Das Programm XAL Settings wird zurzeit von Benutzer &apos;%s&apos; an Station &apos;%s&apos; verwendet.  </translation>
    </message>
    <message>
        <source>XAL - E-Script Recording - %s</source>
        <translation>XAL - E-Script-Aufzeichnung - %s</translation>
    </message>
    <message>
        <source>(with URL filtering)</source>
        <translation>(mit URL-Filterung)</translation>
    </message>
    <message>
        <source>(without URL filtering)</source>
        <translation>(ohne URL-Filterung)</translation>
    </message>
    <message>
        <source>%s
This URL contains XAL-internal variables that will be removed automatically when the conditional script is created.
Do you wish to continue?</source>
        <translation>%s
Diese URL enthält XAL-interne Variablen, die beim Erstellen des Bedingungsskripts automatisch entfernt werden.
Möchten Sie fortfahren?</translation>
    </message>
    <message>
        <source>Parameter name &apos;%s&apos; contains characters that are not permitted.</source>
        <translation>Der Parametername &apos;%s&apos; enthält unzulässige Zeichen.</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>CS</source>
        <translation>CS</translation>
    </message>
    <message>
        <source>D</source>
        <translation>D</translation>
    </message>
    <message>
        <source>G</source>
        <translation>G</translation>
    </message>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>L</source>
        <translation>L</translation>
    </message>
    <message>
        <source>Create conditional script for the currently selected URL
Create conditional script</source>
        <translation>Bedingungsskript für die ausgewählte URL erstellen
Bedingungsskript erstellen</translation>
    </message>
    <message>
        <source>Delete the conditional script of the active tab
Delete conditional script</source>
        <translation>Bedingungsskript der aktiven Registerkarte löschen
Bedingungsskript löschen</translation>
    </message>
    <message>
        <source>Characters entered now will automatically be URL encoded.</source>
        <translation>Ab jetzt eingegebene Zeichen werden automatisch URL-kodiert.</translation>
    </message>
    <message>
        <source>Characters entered now will not automatically URL encoded.</source>
        <translation>Ab jetzt eingegebene Zeichen werden nicht automatisch URL-kodiert.</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>E-script data have been modified. Save?</source>
        <translation>Die E-Script-Daten wurden geändert. Speichern?</translation>
    </message>
    <message>
        <source>No input possible (XAL parameter).</source>
        <translation>Keine Eingabe möglich (XAL-Parameter).</translation>
    </message>
    <message>
        <source>The domain &apos;%s&apos; has already been excluded from recording.</source>
        <translation>Die Domäne &apos;%s&apos; ist bereits von der Aufzeichnung ausgeschlossen.</translation>
    </message>
    <message>
        <source>An internal XAL URL parameter (&apos;%s&apos;) cannot be entered manually.</source>
        <translation>Ein interner XAL-URL-Parameter (&apos;%s&apos;) kann nicht von Hand eingegeben werden.</translation>
    </message>
    <message>
        <source>An internal XAL URL parameter (&apos;%s&apos;) cannot be entered here.
URL: &apos;%s&apos;</source>
        <translation>Ein interner XAL-URL-Parameter (&apos;%s&apos;) kann hier nicht eingegeben werden.
URL: &apos;%s&apos;</translation>
    </message>
    <message>
        <source>During the recording new domains are added. These domains are not considered in the e-script properties ‘Domain List’.
Would you like to edit this list now?</source>
        <translation>Bei der Aufzeichnung sind neue Domänen hinzugekommen. Diese Domänen sind in den E-Script-Eigenschaften unter ‚Domänenliste‘ nicht berücksichtigt.
Möchten Sie die Liste jetzt bearbeiten?</translation>
    </message>
    <message>
        <source>Save and close</source>
        <translation>Speichern und schließen</translation>
    </message>
    <message>
        <source>&amp;Editor</source>
        <translation>&amp;Editor</translation>
    </message>
    <message>
        <source>XAL</source>
        <translation>XAL</translation>
    </message>
    <message>
        <source>E-Script</source>
        <translation>E-Script</translation>
    </message>
    <message>
        <source>XAL Tools
t</source>
        <translation>XAL Tools
t</translation>
    </message>
    <message>
        <source>New
n</source>
        <translation>Neu
n</translation>
    </message>
    <message>
        <source>Save
s</source>
        <translation>Speichern
s</translation>
    </message>
    <message>
        <source>Properties
r</source>
        <translation>Eigenschaften
r</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>Delete
l</source>
        <translation>Löschen
l</translation>
    </message>
    <message>
        <source>Create</source>
        <translation>Erstellen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Browser</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufzeichnung</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Main script</source>
        <translation>Hauptskript</translation>
    </message>
    <message>
        <source>Conditional script: %s</source>
        <translation>Bedingungsskript: %s</translation>
    </message>
    <message>
        <source>GET</source>
        <translation>GET</translation>
    </message>
    <message>
        <source>POST</source>
        <translation>POST</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Recently opened e-scripts</source>
        <translation>Zuletzt geöffnete E-Scripts</translation>
    </message>
    <message>
        <source>E-script data have been modified.
Save e-script?</source>
        <translation>Die E-Script-Daten wurden geändert.
E-Script speichern?</translation>
    </message>
    <message>
        <source>XAL Script Editor -  XALID: %s, title: %s</source>
        <translation>XAL Script Editor -  XAL-ID: %s, Titel: %s</translation>
    </message>
    <message>
        <source>Incorrect parameter. Program cannot be started.</source>
        <translation>Falscher Parameter. Das Programm kann nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Testen</translation>
    </message>
    <message>
        <source>Incorrect URL syntax</source>
        <translation>Fehlerhafte URL-Syntax</translation>
    </message>
    <message>
        <source>Delete the conditional script called &apos;%s&apos;?</source>
        <translation>Das Bedingungsskript &apos;%s&apos; löschen?</translation>
    </message>
    <message>
        <source>A conditional script called &apos;%s&apos; already exists.</source>
        <translation>Ein Bedingungsskript namens &apos;%s&apos; ist bereits vorhanden.</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>XAL database is not responding</source>
        <translation>Die XAL-Datenbank antwortet nicht</translation>
    </message>
    <message>
        <source>XAL Script Editor - Add URL</source>
        <translation>XAL Script Editor - URL hinzufügen</translation>
    </message>
    <message>
        <source>XAL Script Editor - Edit URL</source>
        <translation>XAL Script Editor - URL bearbeiten</translation>
    </message>
    <message>
        <source>XAL Script Editor - Add Parameter</source>
        <translation>XAL Script Editor - Parameter hinzufügen</translation>
    </message>
    <message>
        <source>XAL Script Editor - Edit URL Parameter</source>
        <translation>XAL Script Editor - URL-Parameter bearbeiten</translation>
    </message>
    <message>
        <source>Incorrect URL syntax:
%s</source>
        <translation>Fehlerhafte URL-Syntax:
%s</translation>
    </message>
    <message>
        <source>E-script data in &apos;%s&apos; has been changed.
This e-script does not contain any URLs in its main script and thus cannot be saved.
Exit program?</source>
        <translation>Die E-Script-Daten in &apos;%s&apos; wurden geändert.
Dieses E-Script enthält in seinem Hauptskript keine URLs und kann daher nicht gespeichert werden.
Programm beenden?</translation>
    </message>
    <message>
        <source>P</source>
        <translation>P</translation>
    </message>
    <message>
        <source>T</source>
        <translation>T</translation>
    </message>
    <message>
        <source>E</source>
        <translation>E</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>R</source>
        <translation>R</translation>
    </message>
    <message>
        <source>I</source>
        <translation>I</translation>
    </message>
    <message>
        <source>W</source>
        <translation>W</translation>
    </message>
    <message>
        <source>Exclude domain from recording</source>
        <translation>Domäne von der Aufzeichnung ausschließen</translation>
    </message>
    <message>
        <source>Test an e-script in the default browser
Test</source>
        <translation>E-Script im Standardbrowser testen
Testen</translation>
    </message>
    <message>
        <source>No e-script with XAL ID &apos;%s&apos; found.</source>
        <translation>Kein E-Script mit der XAL-ID &apos;%s&apos; gefunden.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Expand all</source>
        <translation>Alle aufklappen</translation>
    </message>
    <message>
        <source>Collapse all</source>
        <translation>Alle zuklappen</translation>
    </message>
    <message>
        <source>Flexible parameter</source>
        <translation>Flexibler Parameter</translation>
    </message>
    <message>
        <source>Reset flexible parameter</source>
        <translation>Flexiblen Parameter zurücksetzen</translation>
    </message>
    <message>
        <source>Flexible condition</source>
        <translation>Flexible Bedingung</translation>
    </message>
    <message>
        <source>Reset flexible condition</source>
        <translation>Flexible Bedingung zurücksetzen</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
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
        <source>ScriptEditor can not be started!</source>
        <translation>Der ScriptEditor kann nicht gestartet werden!</translation>
    </message>
    <message>
        <source>The e-script could not be printed: the printer &apos;%1&apos; is not available.</source>
        <translation>Das E-Script konnte nicht gedruckt werden: Der Drucker &apos;%1&apos; ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>The e-script could not be printed to &apos;%1&apos;.</source>
        <translation>Das E-Script konnte nicht nach &apos;%1&apos; gedruckt werden.</translation>
    </message>
    <message>
        <source>Printing is not available: %1</source>
        <translation>Drucken ist nicht verfügbar: %1</translation>
    </message>
    <message>
        <source>The help for XALScripEdit could not be found. Set XAL_HELP_FILE to the manual&apos;s path or install the README next to the program.</source>
        <translation>Die Hilfe zu XALScripEdit wurde nicht gefunden. Setzen Sie XAL_HELP_FILE auf den Pfad des Handbuchs oder installieren Sie die README neben dem Programm.</translation>
    </message>
    <message>
        <source>The help file &apos;%1&apos; could not be opened in the default browser.</source>
        <translation>Die Hilfedatei &apos;%1&apos; konnte nicht im Standardbrowser geöffnet werden.</translation>
    </message>
    <message>
        <source>Without URL filtering</source>
        <translation>Ohne URL-Filterung</translation>
    </message>
    <message>
        <source>With URL filtering</source>
        <translation>Mit URL-Filterung</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>The e-script could not be saved.</source>
        <translation>Das E-Script konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>
Your changes are kept in the editor; please try again.</source>
        <translation>
Ihre Änderungen bleiben im Editor erhalten; bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Please enter the XAL ID of the new e-script.</source>
        <translation>Bitte geben Sie die XAL-ID des neuen E-Scripts ein.</translation>
    </message>
    <message>
        <source>Please enter a title.</source>
        <translation>Bitte geben Sie einen Titel ein.</translation>
    </message>
    <message>
        <source>An e-script with XAL ID &apos;%1&apos; already exists.</source>
        <translation>Ein E-Script mit der XAL-ID &apos;%1&apos; ist bereits vorhanden.</translation>
    </message>
    <message>
        <source>XAL database is not responding
</source>
        <translation>Die XAL-Datenbank antwortet nicht
</translation>
    </message>
    <message>
        <source>No e-script with XAL ID &apos;%1&apos; found.</source>
        <translation>Kein E-Script mit der XAL-ID &apos;%1&apos; gefunden.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a domain name.</source>
        <translation>&apos;%1&apos; ist kein Domänenname.</translation>
    </message>
    <message>
        <source>The logon user must not begin or end with a blank.</source>
        <translation>Der Anmeldebenutzer darf nicht mit einem Leerzeichen beginnen oder enden.</translation>
    </message>
    <message>
        <source>XAL E-script Editor</source>
        <translation>XAL E-Script-Editor</translation>
    </message>
    <message>
        <source>E-script properties - %1</source>
        <translation>E-Script-Eigenschaften - %1</translation>
    </message>
    <message>
        <source>One domain per line</source>
        <translation>Eine Domäne pro Zeile</translation>
    </message>
    <message>
        <source>Double-click a domain to add it to the list</source>
        <translation>Doppelklicken Sie auf eine Domäne, um sie der Liste hinzuzufügen</translation>
    </message>
    <message>
        <source>XAL ID:</source>
        <translation>XAL-ID:</translation>
    </message>
    <message>
        <source>&amp;Title:</source>
        <translation>&amp;Titel:</translation>
    </message>
    <message>
        <source>&amp;Domain list:</source>
        <translation>&amp;Domänenliste:</translation>
    </message>
    <message>
        <source>Available domains:</source>
        <translation>Verfügbare Domänen:</translation>
    </message>
    <message>
        <source>Logon &amp;user:</source>
        <translation>Anmelde&amp;benutzer:</translation>
    </message>
    <message>
        <source>Logon &amp;password:</source>
        <translation>Anmelde&amp;kennwort:</translation>
    </message>
    <message>
        <source>New e-script</source>
        <translation>Neues E-Script</translation>
    </message>
    <message>
        <source>Open it</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Open it with its properties</source>
        <translation>Mit seinen Eigenschaften öffnen</translation>
    </message>
    <message>
        <source>Open it and start recording</source>
        <translation>Öffnen und Aufzeichnung starten</translation>
    </message>
    <message>
        <source>Do not open it</source>
        <translation>Nicht öffnen</translation>
    </message>
    <message>
        <source>XAL &amp;ID:</source>
        <translation>XAL-&amp;ID:</translation>
    </message>
    <message>
        <source>&amp;Root URL:</source>
        <translation>&amp;Stamm-URL:</translation>
    </message>
    <message>
        <source>After &amp;creating:</source>
        <translation>Nach dem &amp;Erstellen:</translation>
    </message>
    <message>
        <source>Version: </source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>Database server: </source>
        <translation>Datenbankserver: </translation>
    </message>
    <message>
        <source>(not connected)</source>
        <translation>(nicht verbunden)</translation>
    </message>
    <message>
        <source>Build: </source>
        <translation>Build: </translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>XAL ID of the e-script to edit:</source>
        <translation>XAL-ID des zu bearbeitenden E-Scripts:</translation>
    </message>
    <message>
        <source>Add parameter</source>
        <translation>Parameter hinzufügen</translation>
    </message>
    <message>
        <source>Edit parameter</source>
        <translation>Parameter bearbeiten</translation>
    </message>
    <message>
        <source>Delete parameter</source>
        <translation>Parameter löschen</translation>
    </message>
    <message>
        <source>Delete all parameters</source>
        <translation>Alle Parameter löschen</translation>
    </message>
    <message>
        <source>Copy URL from clipboard</source>
        <translation>URL aus der Zwischenablage übernehmen</translation>
    </message>
    <message>
        <source>Copy URL to clipboard</source>
        <translation>URL in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Open URL in the browser</source>
        <translation>URL im Browser öffnen</translation>
    </message>
    <message>
        <source>has a predefined value</source>
        <translation>hat einen vorgegebenen Wert</translation>
    </message>
    <message>
        <source>may contain different values - replace only if parameter name and value are identical</source>
        <translation>kann verschiedene Werte enthalten - nur ersetzen, wenn Parametername und Wert gleich sind</translation>
    </message>
    <message>
        <source>may contain different values - replace if values are identical</source>
        <translation>kann verschiedene Werte enthalten - ersetzen, wenn die Werte gleich sind</translation>
    </message>
    <message>
        <source>XAL Script Editor - Define URL Parameter for a Script</source>
        <translation>XAL Script Editor - URL-Parameter für ein Skript festlegen</translation>
    </message>
    <message>
        <source>XAL - E-Script Editor - Make URL Condition Flexible</source>
        <translation>XAL - E-Script-Editor - URL-Bedingung flexibel machen</translation>
    </message>
    <message>
        <source>Replace a part of a URL in this script with a flexible parameter</source>
        <translation>Einen Teil einer URL in diesem Skript durch einen flexiblen Parameter ersetzen</translation>
    </message>
    <message>
        <source>&amp;Original URL:</source>
        <translation>&amp;Ursprüngliche URL:</translation>
    </message>
    <message>
        <source>Sepa&amp;rator:</source>
        <translation>&amp;Trennzeichen:</translation>
    </message>
    <message>
        <source>Sec&amp;tion to replace:</source>
        <translation>Zu ersetzender &amp;Abschnitt:</translation>
    </message>
    <message>
        <source>&amp;Parameter:</source>
        <translation>&amp;Parameter:</translation>
    </message>
    <message>
        <source>&amp;Value:</source>
        <translation>&amp;Wert:</translation>
    </message>
    <message>
        <source>&amp;New URL:</source>
        <translation>&amp;Neue URL:</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;The parameter:</source>
        <translation>&amp;Der Parameter:</translation>
    </message>
    <message>
        <source>Replace the value also in</source>
        <translation>Den Wert auch ersetzen in</translation>
    </message>
    <message>
        <source>the &amp;URL</source>
        <translation>der &amp;URL</translation>
    </message>
    <message>
        <source>the &amp;parameters; with separator</source>
        <translation>den &amp;Parametern; mit Trennzeichen</translation>
    </message>
    <message>
        <source>to be used for login - user name (%user%)</source>
        <translation>für die Anmeldung - Benutzername (%user%)</translation>
    </message>
    <message>
        <source>to be used for login - password (%password%)</source>
        <translation>für die Anmeldung - Kennwort (%password%)</translation>
    </message>
    <message>
        <source>Switch URL encoding of typed characters</source>
        <translation>URL-Kodierung eingegebener Zeichen umschalten</translation>
    </message>
    <message>
        <source>&amp;Decoded value:</source>
        <translation>&amp;Dekodierter Wert:</translation>
    </message>
    <message>
        <source>&amp;Kind:</source>
        <translation>&amp;Art:</translation>
    </message>
    <message>
        <source>POST is used for transmitting URL parameters - &amp;send parameter in the URL anyway</source>
        <translation>Die URL-Parameter werden per POST übertragen - Parameter trotzdem in der URL &amp;senden</translation>
    </message>
    <message>
        <source>&amp;Conditional URL (&quot;*&quot; stands for any text)</source>
        <translation>&amp;Bedingungs-URL (&quot;*&quot; steht für beliebigen Text)</translation>
    </message>
    <message>
        <source>URL of the conditional script</source>
        <translation>URL des Bedingungsskripts</translation>
    </message>
    <message>
        <source>&amp;Name</source>
        <translation>&amp;Name</translation>
    </message>
    <message>
        <source>XAL Script Editor - Create Conditional Script</source>
        <translation>XAL Script Editor - Bedingungsskript erstellen</translation>
    </message>
    <message>
        <source>Pro&amp;tocol:</source>
        <translation>Pro&amp;tokoll:</translation>
    </message>
    <message>
        <source>&amp;Server:</source>
        <translation>&amp;Server:</translation>
    </message>
    <message>
        <source>Add&amp;ress:</source>
        <translation>Ad&amp;resse:</translation>
    </message>
    <message>
        <source>&amp;Method:</source>
        <translation>&amp;Methode:</translation>
    </message>
    <message>
        <source>URL &amp;parameter</source>
        <translation>URL-&amp;Parameter</translation>
    </message>
    <message>
        <source>&amp;Complete e-script URL</source>
        <translation>&amp;Vollständige E-Script-URL</translation>
    </message>
    <message>
        <source>The Script Editor ended on %s without saving changes to e-script &apos;%s&apos;. The changes were kept.
Restore them?</source>
        <translation>Der Script Editor wurde am %s beendet, ohne die Änderungen am E-Script &apos;%s&apos; zu speichern. Die Änderungen wurden aufbewahrt.
Wiederherstellen?</translation>
    </message>
    <message>
        <source>

Warning: the stored e-script was changed later, on %s. Restoring and saving the kept changes replaces that change.</source>
        <translation>

Warnung: Das gespeicherte E-Script wurde später, am %s, geändert. Wenn Sie die aufbewahrten Änderungen wiederherstellen und speichern, wird diese Änderung ersetzt.</translation>
    </message>
    <message>
        <source>The recording could not be started: %s</source>
        <translation>Die Aufzeichnung konnte nicht gestartet werden: %s</translation>
    </message>
    <message>
        <source>E-script:</source>
        <translation>E-Script:</translation>
    </message>
    <message>
        <source>Root URL:</source>
        <translation>Stamm-URL:</translation>
    </message>
    <message>
        <source>The program &apos;%s&apos; was not found in: %s</source>
        <translation>Das Programm &apos;%s&apos; wurde nicht gefunden in: %s</translation>
    </message>
    <message>
        <source>The program &apos;%s&apos; can not be started.</source>
        <translation>Das Programm &apos;%s&apos; kann nicht gestartet werden.</translation>
    </message>
    <message>
        <source>E-script properties - %s</source>
        <translation>E-Script-Eigenschaften - %s</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is not a domain name.</source>
        <translation>&apos;%s&apos; ist kein Domänenname.</translation>
    </message>
    <message>
        <source>An e-script with XAL ID &apos;%s&apos; already exists.</source>
        <translation>Ein E-Script mit der XAL-ID &apos;%s&apos; ist bereits vorhanden.</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>The clipboard holds no URL to paste. Paste takes one complete URL a line.</source>
        <translation>Die Zwischenablage enthält keine URL zum Einfügen. Einfügen erwartet eine vollständige URL pro Zeile.</translation>
    </message>
    <message>
        <source>These lines of the clipboard hold no URL, or an internal XAL URL parameter, and were left out:
%1</source>
        <translation>Diese Zeilen der Zwischenablage enthalten keine URL oder einen internen XAL-URL-Parameter und wurden ausgelassen:
%1</translation>
    </message>
    <message>
        <source>The XAL-internal variable &apos;%s&apos; could not be removed from the URL of the new conditional script.
URL: &apos;%s&apos;</source>
        <translation>Die XAL-interne Variable &apos;%s&apos; konnte nicht aus der URL des neuen Bedingungsskripts entfernt werden.
URL: &apos;%s&apos;</translation>
    </message>
</context>
</TS>
