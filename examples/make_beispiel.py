#!/usr/bin/env python3
"""Writes examples/beispiel.reg: a small registry shaped like a German Windows installation
(REGEDIT4, Windows-1252, CR LF), with every value form: strings, dword, hex, hex(0), hex(2),
hex(5), hex(7), hex(8), hex(b).  Deterministic: the same script gives the same bytes."""

import os
import random

r = random.Random(405)
out = []


def esc(s):
    return s.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n").replace("\r", "\\r")


def wrap(prefix, data):
    k = len(prefix) // 3
    if k > 0 and len(prefix) % 3 == 0:
        k -= 1
    parts = []
    n = len(data)
    for i, b in enumerate(data, 1):
        parts.append("%02X" % b)
        if i < n:
            parts.append(",")
        k += 1
        if k > 24:
            if i < n:
                parts.append("\\\r\n  ")
            k = 0
    return "".join(parts)


def name_part(name):
    return "@" if name is None else '"' + esc(name) + '"'


def line(name, kind, data=None):
    head = name_part(name) + "="
    if kind == "sz":
        return head + '"' + esc(data) + '"'
    if kind == "dword":
        return head + "dword:%08X" % data
    if kind == "bin":
        prefix, raw = head + "hex:", bytes(data)
    else:
        code, raw = kind
        if code in (2, 7):  # strings in the registry's 8-bit view (UTF-8 here)
            raw = raw if isinstance(raw, bytes) else raw.encode("utf-8")
        prefix = head + "hex(%d):" % code
    return prefix + wrap(prefix.encode("cp1252"), raw)


def expand(text):
    return (2, text.encode("utf-8") + b"\0")


def multi(items):
    return (7, b"".join(i.encode("utf-8") + b"\0" for i in items) + b"\0")


def qword(v):
    return (11, v.to_bytes(8, "little"))


def key(path, values=()):
    out.append("")
    out.append("[" + path + "]")
    for v in values:
        out.append(line(*v))


def guid():
    return "{%08X-%04X-%04X-%04X-%012X}" % (r.getrandbits(32), r.getrandbits(16), r.getrandbits(16),
                                            r.getrandbits(16), r.getrandbits(48))


HKLM = "HKEY_LOCAL_MACHINE"
HKCU = "HKEY_CURRENT_USER"
CV = HKLM + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"

# --- HKEY_LOCAL_MACHINE\SOFTWARE\Classes: file types, ProgIDs, a few classes ---
types = [
    (".txt", "txtfile", "Textdokument", "text/plain", "text", "%SystemRoot%\\system32\\NOTEPAD.EXE %1"),
    (".log", "txtfile", None, "text/plain", "text", None),
    (".ini", "inifile", "Konfigurationseinstellungen", None, "text", "%SystemRoot%\\system32\\NOTEPAD.EXE %1"),
    (".reg", "regfile", "Registrierungseinträge", None, "text", "regedit.exe \"%1\""),
    (".bat", "batfile", "Windows-Batchdatei", None, "application", "\"%1\" %*"),
    (".cmd", "cmdfile", "Windows-Befehlsskript", None, "application", "\"%1\" %*"),
    (".pdf", "AcroExch.Document.DC", "Adobe Acrobat-Dokument", "application/pdf", "document",
     "\"C:\\Program Files\\Adobe\\Acrobat DC\\Acrobat\\Acrobat.exe\" \"%1\""),
    (".docx", "Word.Document.12", "Microsoft Word-Dokument", "application/vnd.openxmlformats-officedocument."
     "wordprocessingml.document", "document", "\"C:\\Program Files\\Microsoft Office\\root\\Office16\\WINWORD.EXE\" /n \"%1\""),
    (".xlsx", "Excel.Sheet.12", "Microsoft Excel-Arbeitsblatt", "application/vnd.openxmlformats-officedocument."
     "spreadsheetml.sheet", "document", "\"C:\\Program Files\\Microsoft Office\\root\\Office16\\EXCEL.EXE\" \"%1\""),
    (".odt", "LibreOffice.WriterDocument.1", "OpenDocument-Text", "application/vnd.oasis.opendocument.text",
     "document", "\"C:\\Program Files\\LibreOffice\\program\\swriter.exe\" -o \"%1\""),
    (".zip", "CompressedFolder", "ZIP-komprimierter Ordner", "application/x-zip-compressed", "compressed", None),
    (".7z", "7-Zip.7z", "7z-Archiv", None, "compressed", "\"C:\\Program Files\\7-Zip\\7zFM.exe\" \"%1\""),
    (".jpg", "jpegfile", "JPEG-Bild", "image/jpeg", "image", None),
    (".png", "pngfile", "PNG-Bild", "image/png", "image", None),
    (".gif", "giffile", "GIF-Bild", "image/gif", "image", None),
    (".mp3", "WMP11.AssocFile.MP3", "MP3-Format-Sound", "audio/mpeg", "audio", None),
    (".wav", "WMP11.AssocFile.WAV", "Wave-Sound", "audio/wav", "audio", None),
    (".mp4", "WMP11.AssocFile.MP4", "MP4-Video", "video/mp4", "video", None),
    (".htm", "htmlfile", "HTML-Dokument", "text/html", "text", None),
    (".html", "htmlfile", None, "text/html", "text", None),
    (".xml", "xmlfile", "XML-Dokument", "text/xml", "text", None),
    (".csv", "Excel.CSV", "CSV-Datei (Trennzeichen-getrennt)", "application/vnd.ms-excel", "document", None),
    (".url", "InternetShortcut", "Internetverknüpfung", None, None, None),
    (".lnk", "lnkfile", "Verknüpfung", None, None, None),
    (".exe", "exefile", "Anwendung", "application/x-msdownload", "application", "\"%1\" %*"),
    (".dll", "dllfile", "Anwendungserweiterung", "application/x-msdownload", "system", None),
    (".msi", "Msi.Package", "Windows Installer-Paket", None, "application", "\"%SystemRoot%\\System32\\msiexec.exe\" /i \"%1\" %*"),
    (".ps1", "Microsoft.PowerShellScript.1", "Windows PowerShell-Skript", None, "text", "\"C:\\Windows\\System32\\notepad.exe\" \"%1\""),
    (".rtf", "rtffile", "Rich-Text-Format", "application/rtf", "document", None),
    (".eml", "Thunderbird.Url.mailto", "E-Mail-Nachricht", "message/rfc822", None, None),
]
progids = {}
for ext, progid, desc, ctype, perceived, cmd in types:
    vals = [(None, "sz", progid)]
    if ctype:
        vals.append(("Content Type", "sz", ctype))
    if perceived:
        vals.append(("PerceivedType", "sz", perceived))
    key(HKLM + "\\SOFTWARE\\Classes\\" + ext, vals)
    key(HKLM + "\\SOFTWARE\\Classes\\" + ext + "\\OpenWithProgids", [(progid, (0, b""))])
    if desc and progid not in progids:
        progids[progid] = (desc, cmd)
for progid, (desc, cmd) in progids.items():
    base = HKLM + "\\SOFTWARE\\Classes\\" + progid
    key(base, [(None, "sz", desc), ("EditFlags", "dword", 0x00010000), ("FriendlyTypeName", expand(
        "@%SystemRoot%\\system32\\shell32.dll,-" + str(r.randint(10000, 11000))))])
    key(base + "\\DefaultIcon", [(None, expand("%SystemRoot%\\System32\\imageres.dll,-" + str(r.randint(2, 120))))])
    key(base + "\\shell", [(None, "sz", "open")])
    key(base + "\\shell\\open", [(None, "sz", "&Öffnen")])
    if cmd:
        key(base + "\\shell\\open\\command", [(None, expand(cmd))])
        key(base + "\\shell\\print", [(None, "sz", "&Drucken")])
        key(base + "\\shell\\print\\command", [(None, expand(cmd.replace("%1", "/p \"%1\"", 1) if "%1" in cmd else cmd))])
for i in range(12):
    g = guid()
    base = HKLM + "\\SOFTWARE\\Classes\\CLSID\\" + g
    key(base, [(None, "sz", r.choice(["Shell-Erweiterung für Verknüpfungen", "Vorschauhandler", "Miniaturansicht-Anbieter",
                                      "Kontextmenü-Handler", "Eigenschaftenblatt"]) + " " + str(i + 1))])
    key(base + "\\InprocServer32", [(None, expand("%SystemRoot%\\System32\\" + r.choice(
        ["shell32.dll", "windows.storage.dll", "PhotoMetadataHandler.dll", "ntshrui.dll"]))),
        ("ThreadingModel", "sz", r.choice(["Apartment", "Both", "Free"]))])
    key(base + "\\Implemented Categories")
    key(base + "\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}")

# --- HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion ---
key(HKLM + "\\SOFTWARE\\Microsoft")
key(HKLM + "\\SOFTWARE\\Microsoft\\Windows")
key(CV, [("CommonFilesDir", "sz", "C:\\Program Files\\Common Files"),
         ("CommonFilesDir (x86)", "sz", "C:\\Program Files (x86)\\Common Files"),
         ("DevicePath", expand("%SystemRoot%\\inf")),
         ("MediaPathUnexpanded", expand("%SystemRoot%\\Media")),
         ("ProgramFilesDir", "sz", "C:\\Program Files"),
         ("ProgramFilesPath", expand("%ProgramFiles%")),
         ("ProgramW6432Dir", "sz", "C:\\Program Files")])
key(CV + "\\App Paths")
for exe, path in [("7zFM.exe", "C:\\Program Files\\7-Zip\\7zFM.exe"), ("firefox.exe", "C:\\Program Files\\Mozilla Firefox\\firefox.exe"),
                  ("WINWORD.EXE", "C:\\Program Files\\Microsoft Office\\root\\Office16\\WINWORD.EXE"),
                  ("wordpad.exe", "%ProgramFiles%\\Windows NT\\Accessories\\WORDPAD.EXE")]:
    key(CV + "\\App Paths\\" + exe, [(None, "sz", path) if "%" not in path else (None, expand(path)),
                                      ("Path", "sz", path.rsplit("\\", 1)[0])])
key(CV + "\\Explorer", [("GlobalAssocChangedCounter", "dword", 97), ("IconUnderline", "dword", 2),
                        ("ShellState", "bin", [0x24, 0, 0, 0, 0x33, 0xA8, 0, 0] + [0] * 28)])
key(CV + "\\Explorer\\Advanced", [("Hidden", "dword", 2), ("HideFileExt", "dword", 1), ("ShowSuperHidden", "dword", 0)])
key(CV + "\\Run", [("SecurityHealth", expand("%windir%\\system32\\SecurityHealthSystray.exe")),
                   ("RtkAudUService", "sz", "\"C:\\Windows\\System32\\DriverStore\\FileRepository\\realtekservice.inf_amd64"
                    "_4c1a2e0a3b7d8f21\\RtkAudUService64.exe\" -background"),
                   ("Logitech Download Assistant", "sz", "C:\\Windows\\system32\\rundll32.exe C:\\Windows\\System32\\"
                    "LogiLDA.dll,LogiFetch"),
                   ("Bürokalender", "sz", "\"C:\\Program Files (x86)\\Müller & Söhne\\Bürokalender\\kalender.exe\" /minimiert"),
                   ("iTunesHelper", "sz", "\"C:\\Program Files\\iTunes\\iTunesHelper.exe\"")])
key(CV + "\\RunOnce", [("Aktualisierung abschließen", "sz", "C:\\ProgramData\\Update\\setup.exe /weiter /leise"),
                       ("Wiederherstellung", expand("%SystemRoot%\\System32\\rstrui.exe /runonce"))])
key(CV + "\\Policies")
key(CV + "\\Policies\\System", [("EnableLUA", "dword", 1), ("ConsentPromptBehaviorAdmin", "dword", 5),
                                ("legalnoticecaption", "sz", "Hinweis"),
                                ("legalnoticetext", "sz", "Dieser Rechner gehört der Müller & Söhne KG.\r\n"
                                 "Unbefugte Nutzung ist untersagt.")])
key(CV + "\\Uninstall")
products = [
    ("7-Zip 23.01 (x64)", "23.01", "Igor Pavlov", "C:\\Program Files\\7-Zip\\", 5632),
    ("Adobe Acrobat (64-bit)", "23.008.20470", "Adobe", "C:\\Program Files\\Adobe\\Acrobat DC\\", 1103000),
    ("Mozilla Firefox (x64 de)", "121.0", "Mozilla", "C:\\Program Files\\Mozilla Firefox\\", 240000),
    ("Mozilla Thunderbird (x64 de)", "115.6.0", "Mozilla", "C:\\Program Files\\Mozilla Thunderbird\\", 250000),
    ("LibreOffice 7.6.4.1", "7.6.4.1", "The Document Foundation", "C:\\Program Files\\LibreOffice\\", 650000),
    ("Microsoft Office Professional Plus 2019 - de-de", "16.0.10730.20102", "Microsoft Corporation",
     "C:\\Program Files\\Microsoft Office", 2900000),
    ("Microsoft Visual C++ 2015-2022 Redistributable (x64) - 14.38.33130", "14.38.33130.0", "Microsoft Corporation", "", 20500),
    ("Microsoft Edge", "120.0.2210.91", "Microsoft Corporation", "C:\\Program Files (x86)\\Microsoft\\Edge\\Application", 600000),
    ("Lexware büro easy 2024", "24.00.00.0123", "Haufe-Lexware GmbH & Co. KG", "C:\\Program Files (x86)\\Lexware\\", 812000),
    ("DATEV Arbeitsplatz", "13.3", "DATEV eG", "C:\\DATEV\\PROGRAMM\\", 3500000),
    ("Bürokalender 4.2", "4.2.0", "Müller & Söhne KG", "C:\\Program Files (x86)\\Müller & Söhne\\Bürokalender\\", 18200),
    ("Realtek High Definition Audio Driver", "6.0.9373.1", "Realtek Semiconductor Corp.", "", 240000),
    ("Intel(R) Grafiktreiber", "31.0.101.4953", "Intel Corporation", "C:\\Program Files\\Intel\\", 1500000),
    ("NVIDIA Systemsteuerung 546.33", "546.33", "NVIDIA Corporation", "", 58000),
    ("VLC media player", "3.0.20", "VideoLAN", "C:\\Program Files\\VideoLAN\\VLC", 176000),
    ("Notepad++ (64-bit x64)", "8.6", "Notepad++ Team", "C:\\Program Files\\Notepad++", 14800),
    ("Brother MFL-Pro Suite MFC-L2710DW", "1.0.9.0", "Brother Industries, Ltd.", "C:\\Program Files (x86)\\Brother\\", 420000),
    ("Java 8 Update 391 (64-bit)", "8.0.3910.13", "Oracle Corporation", "C:\\Program Files\\Java\\jre-1.8\\", 128000),
    ("Python 3.12.1 (64-bit)", "3.12.1150.0", "Python Software Foundation", "", 102000),
    ("TeamViewer", "15.49.2", "TeamViewer", "C:\\Program Files\\TeamViewer", 98000),
    ("Zoom Workplace", "5.17.5", "Zoom Video Communications, Inc.", "", 310000),
    ("Sicherheitsupdate für Microsoft Office 2019 (KB5002521) 64-Bit-Edition", "", "Microsoft Corporation", "", 0),
    ("Wörterbuch Deutsch–Englisch Profi", "2.1", "Langenscheidt", "C:\\Program Files (x86)\\Langenscheidt\\", 980000),
    ("ELSTER Formular 2023/2024", "50.5", "Landesamt für Steuern", "C:\\Program Files (x86)\\ElsterFormular\\", 260000),
    ("Steuer-Spar-Erklärung 2024", "29.10", "Akademische Arbeitsgemeinschaft", "C:\\Program Files (x86)\\Steuer-Spar-Erklärung 2024\\", 420000),
]
for display, version, publisher, location, size in products:
    sub = guid() if r.random() < 0.6 else display.split(" (")[0]
    vals = [("DisplayName", "sz", display)]
    if version:
        vals.append(("DisplayVersion", "sz", version))
    vals += [("Publisher", "sz", publisher), ("InstallDate", "sz", "202%d%02d%02d" % (r.randint(2, 4), r.randint(1, 12), r.randint(1, 28)))]
    if location:
        vals.append(("InstallLocation", "sz", location))
        vals.append(("DisplayIcon", "sz", location.rstrip("\\") + "\\uninstall.exe,0"))
    if sub.startswith("{"):
        vals.append(("UninstallString", expand("MsiExec.exe /X" + sub)))
        vals.append(("ModifyPath", expand("MsiExec.exe /I" + sub)))
        vals.append(("Language", "dword", 1031))
        vals.append(("Version", "dword", r.getrandbits(32)))
        vals.append(("WindowsInstaller", "dword", 1))
    else:
        vals.append(("UninstallString", "sz", "\"" + (location or "C:\\Program Files\\") + "uninstall.exe\""))
        vals.append(("QuietUninstallString", "sz", "\"" + (location or "C:\\Program Files\\") + "uninstall.exe\" /S"))
    if size:
        vals.append(("EstimatedSize", "dword", size))
    vals += [("NoModify", "dword", 1), ("NoRepair", "dword", r.randint(0, 1))]
    if r.random() < 0.3:
        vals.append(("Comments", "sz", "Installiert über die Softwareverteilung; Änderungen bitte über die IT-Abteilung."))
    key(CV + "\\Uninstall\\" + sub, vals)

# --- HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion ---
nt = HKLM + "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
key(HKLM + "\\SOFTWARE\\Microsoft\\Windows NT")
key(nt, [("CurrentBuild", "sz", "19045"), ("CurrentVersion", "sz", "6.3"), ("EditionID", "sz", "Professional"),
         ("InstallDate", "dword", 1672531200), ("InstallTime", qword(133170048000000000)),
         ("ProductName", "sz", "Windows 10 Pro"), ("RegisteredOrganization", "sz", "Müller & Söhne KG"),
         ("RegisteredOwner", "sz", "Jürgen Weiß"), ("SystemRoot", "sz", "C:\\WINDOWS"),
         ("DigitalProductId", "bin", [r.getrandbits(8) for _ in range(164)])])
key(nt + "\\Fonts", [("Arial (TrueType)", "sz", "arial.ttf"), ("Tahoma (TrueType)", "sz", "tahoma.ttf"),
                     ("Segoe UI (TrueType)", "sz", "segoeui.ttf"), ("Courier New (TrueType)", "sz", "cour.ttf")])
key(nt + "\\Winlogon", [("AutoRestartShell", "dword", 1), ("Shell", "sz", "explorer.exe"),
                        ("Userinit", "sz", "C:\\Windows\\system32\\userinit.exe,"),
                        ("DefaultUserName", "sz", "Jürgen"), ("LegalNoticeCaption", "sz", ""),
                        ("ShutdownFlags", "dword", 0x80000027)])

# --- HKEY_LOCAL_MACHINE\SYSTEM: services, session manager, hardware description ---
ccs = HKLM + "\\SYSTEM\\CurrentControlSet"
key(HKLM + "\\SYSTEM")
key(ccs)
key(ccs + "\\Control")
key(ccs + "\\Control\\Session Manager", [("BootExecute", multi(["autocheck autochk *"])),
                                         ("PendingFileRenameOperations", multi(["\\??\\C:\\Windows\\Temp\\alt.dll", "",
                                                                                "\\??\\C:\\Program Files (x86)\\Müller & Söhne\\neu.dll", ""])),
                                         ("ProtectionMode", "dword", 1)])
key(ccs + "\\Control\\Session Manager\\Environment", [("ComSpec", expand("%SystemRoot%\\system32\\cmd.exe")),
                                                      ("NUMBER_OF_PROCESSORS", "sz", "8"), ("OS", "sz", "Windows_NT"),
                                                      ("Path", expand("%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem;"
                                                                      "%SYSTEMROOT%\\System32\\WindowsPowerShell\\v1.0\\;C:\\Program Files\\7-Zip")),
                                                      ("PATHEXT", "sz", ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC"),
                                                      ("TEMP", expand("%SystemRoot%\\TEMP"))])
key(ccs + "\\Control\\Nls")
key(ccs + "\\Control\\Nls\\Language", [("Default", "sz", "0407"), ("InstallLanguage", "sz", "0407")])
key(ccs + "\\Services")
services = [("Audiosrv", "Windows-Audio", "Verwaltet Audiogeräte für Windows-basierte Programme.", 2, "svchost.exe -k LocalServiceNetworkRestricted -p", ["AudioEndpointBuilder", "RpcSs"]),
            ("Spooler", "Druckwarteschlange", "Dieser Dienst speichert Druckaufträge zwischen und sorgt für die Interaktion mit dem Drucker.", 2, "spoolsv.exe", ["RPCSS", "http"]),
            ("wuauserv", "Windows Update", "Ermöglicht das Erkennen, Herunterladen und Installieren von Updates für Windows und andere Programme.", 3, "svchost.exe -k netsvcs -p", ["rpcss"]),
            ("W32Time", "Windows-Zeitgeber", "Verwaltet die Synchronisierung von Datum und Uhrzeit auf allen Clients und Servern im Netzwerk.", 3, "svchost.exe -k LocalService", []),
            ("Themes", "Designs", "Bietet Designverwaltung für Benutzeroberflächen.", 2, "svchost.exe -k netsvcs -p", []),
            ("BITS", "Intelligenter Hintergrundübertragungsdienst", "Überträgt Dateien im Hintergrund unter Verwendung von Netzwerkbandbreite im Leerlauf.", 3, "svchost.exe -k netsvcs -p", ["RpcSs"]),
            ("Dhcp", "DHCP-Client", "Registriert und aktualisiert IP-Adressen und DNS-Einträge für diesen Computer.", 2, "svchost.exe -k LocalServiceNetworkRestricted -p", ["NSI", "Afd"]),
            ("TeamViewer", "TeamViewer", "TeamViewer Remote Software", 2, "\"C:\\Program Files\\TeamViewer\\TeamViewer_Service.exe\"", []),
            ("RtkAudioUniversalService", "Realtek Audio Universal Service", "Realtek Audio Universal Service", 2, "\"C:\\Windows\\System32\\RtkAudUService64.exe\"", []),
            ("BürokalenderDienst", "Bürokalender Erinnerungsdienst", "Erinnert an Termine des Bürokalenders, auch wenn niemand angemeldet ist.", 4, "\"C:\\Program Files (x86)\\Müller & Söhne\\Bürokalender\\erinnerung.exe\" /dienst", [])]
for name, display, description, start, image, depend in services:
    vals = [("DisplayName", "sz", display), ("Description", "sz", description), ("ErrorControl", "dword", 1),
            ("ImagePath", expand(("%SystemRoot%\\System32\\" if image.startswith("svchost") or image.startswith("spoolsv") else "") + image)),
            ("ObjectName", "sz", r.choice(["LocalSystem", "NT AUTHORITY\\LocalService", "NT AUTHORITY\\NetworkService"])),
            ("Start", "dword", start), ("Type", "dword", r.choice([16, 32]))]
    if depend:
        vals.append(("DependOnService", multi(depend)))
    if r.random() < 0.5:
        vals.append(("FailureActions", "bin", [0x80, 0x51, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0x14, 0, 0, 0,
                                                1, 0, 0, 0, 0x60, 0xEA, 0, 0, 1, 0, 0, 0, 0xC0, 0xD4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0]))
    key(ccs + "\\Services\\" + name, vals)
    key(ccs + "\\Services\\" + name + "\\Parameters", [("ServiceDll", expand("%SystemRoot%\\System32\\" + name.lower() + ".dll")),
                                                        ("ServiceDllUnloadOnStop", "dword", 1)] if image.startswith("svchost") else [])
key(HKLM + "\\HARDWARE")
key(HKLM + "\\HARDWARE\\DESCRIPTION")
key(HKLM + "\\HARDWARE\\DESCRIPTION\\System", [("Component Information", "bin", [0] * 16),
                                                ("Configuration Data", (9, bytes([0xFF] * 4 + [0] * 36))),
                                                ("Identifier", "sz", "AT/AT COMPATIBLE"),
                                                ("SystemBiosDate", "sz", "03/15/23"),
                                                ("SystemBiosVersion", multi(["LENOVO - 1300", "N3CET52W (1.37 )", "Lenovo - 1300"]))])
key(HKLM + "\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor")
key(HKLM + "\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
    [("~MHz", "dword", 2803), ("Identifier", "sz", "Intel64 Family 6 Model 140 Stepping 1"),
     ("ProcessorNameString", "sz", "11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz"),
     ("VendorIdentifier", "sz", "GenuineIntel"), ("Update Revision", "bin", [0, 0, 0, 0, 0xA4, 0, 0, 0]),
     ("Platform Specific Field 1", "dword", 128)])
key(HKLM + "\\HARDWARE\\RESOURCEMAP")
key(HKLM + "\\HARDWARE\\RESOURCEMAP\\System Resources")
key(HKLM + "\\HARDWARE\\RESOURCEMAP\\System Resources\\Physical Memory",
    [(".Translated", (8, bytes([1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 3, 1, 0, 0, 0, 0x10, 0, 0, 0, 0, 0, 0,
                                0, 0xF0, 9, 0, 0, 0, 0, 0]))),
     ("PnP Resources", (10, bytes([1, 0, 0, 0, 0, 0, 0, 0])))])

# --- HKEY_CURRENT_USER ---
key(HKCU + "\\Environment", [("OneDrive", expand("C:\\Users\\Jürgen\\OneDrive")),
                             ("Path", expand("%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps;"
                                             "%USERPROFILE%\\AppData\\Local\\Programs\\Python\\Python312\\")),
                             ("TEMP", expand("%USERPROFILE%\\AppData\\Local\\Temp")),
                             ("TMP", expand("%USERPROFILE%\\AppData\\Local\\Temp"))])
cp = HKCU + "\\Control Panel"
key(cp)
key(cp + "\\Accessibility")
for sub, vals in [("HighContrast", [("Flags", "sz", "126"), ("High Contrast Scheme", "sz", "")]),
                  ("Keyboard Response", [("AutoRepeatDelay", "sz", "1000"), ("AutoRepeatRate", "sz", "500"),
                                         ("BounceTime", "sz", "0"), ("Flags", "sz", "126")]),
                  ("StickyKeys", [("Flags", "sz", "506")]), ("ToggleKeys", [("Flags", "sz", "58")])]:
    key(cp + "\\Accessibility\\" + sub, vals)
colors = [("ActiveBorder", "180 180 180"), ("ActiveTitle", "153 180 209"), ("AppWorkspace", "171 171 171"),
          ("Background", "0 99 177"), ("ButtonFace", "240 240 240"), ("ButtonHilight", "255 255 255"),
          ("ButtonShadow", "160 160 160"), ("ButtonText", "0 0 0"), ("GrayText", "109 109 109"),
          ("Hilight", "0 120 215"), ("HilightText", "255 255 255"), ("InactiveTitle", "191 205 219"),
          ("InfoText", "0 0 0"), ("InfoWindow", "255 255 225"), ("Menu", "240 240 240"), ("MenuText", "0 0 0"),
          ("Scrollbar", "200 200 200"), ("TitleText", "0 0 0"), ("Window", "255 255 255"), ("WindowText", "0 0 0")]
key(cp + "\\Colors", [(n, "sz", v) for n, v in colors])
key(cp + "\\Cursors", [(None, "sz", "Windows-Standard"), ("AppStarting", expand("%SystemRoot%\\cursors\\aero_working.ani")),
                       ("Arrow", expand("%SystemRoot%\\cursors\\aero_arrow.cur")), ("Scheme Source", "dword", 2)])
key(cp + "\\Desktop", [("ActiveWndTrkTimeout", "dword", 0), ("AutoEndTasks", "sz", "0"), ("CursorBlinkRate", "sz", "530"),
                       ("DragFullWindows", "sz", "1"), ("FontSmoothing", "sz", "2"), ("FontSmoothingType", "dword", 2),
                       ("MenuShowDelay", "sz", "400"), ("ScreenSaveActive", "sz", "1"), ("ScreenSaveTimeOut", "sz", "900"),
                       ("UserPreferencesMask", "bin", [0x9E, 0x1E, 0x07, 0x80, 0x12, 0, 0, 0]),
                       ("Wallpaper", "sz", "C:\\Users\\Jürgen\\Bilder\\Urlaub am Bodensee.jpg"),
                       ("WallpaperStyle", "sz", "10"), ("TileWallpaper", "sz", "0"),
                       ("WindowArrangementActive", "sz", "1"), ("LastUpdated", "dword", 0xFFFFFFFF)])
key(cp + "\\Desktop\\WindowMetrics", [("AppliedDPI", "dword", 96), ("BorderWidth", "sz", "-15"),
                                      ("CaptionFont", "bin", [0xF4, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                              0x90, 1, 0, 0, 0, 0, 0, 1, 0, 0, 5, 0]
                                       + list("Segoe UI".encode("utf-16-le")) + [0] * 48),
                                      ("IconSpacing", "sz", "-1125"), ("Shell Icon Size", "sz", "32")])
key(cp + "\\International", [("Locale", "sz", "00000407"), ("LocaleName", "sz", "de-DE"), ("s1159", "sz", ""),
                             ("s2359", "sz", ""), ("sCountry", "sz", "Deutschland"), ("sCurrency", "sz", "€"),
                             ("sDate", "sz", "."), ("sDecimal", "sz", ","), ("sLanguage", "sz", "DEU"),
                             ("sList", "sz", ";"), ("sLongDate", "sz", "dddd, d. MMMM yyyy"),
                             ("sShortDate", "sz", "dd.MM.yyyy"), ("sThousand", "sz", "."), ("sTimeFormat", "sz", "HH:mm:ss"),
                             ("iCountry", "sz", "49"), ("iFirstDayOfWeek", "sz", "0"), ("iMeasure", "sz", "0"),
                             ("iPaperSize", "sz", "9")])
key(cp + "\\International\\Geo", [("Name", "sz", "DE"), ("Nation", "sz", "94")])
key(cp + "\\International\\User Profile", [("Languages", multi(["de-DE", "en-US"])), ("ShowAutoCorrection", "dword", 1)])
key(cp + "\\Keyboard", [("InitialKeyboardIndicators", "sz", "2"), ("KeyboardDelay", "sz", "1"), ("KeyboardSpeed", "sz", "31")])
key(cp + "\\Mouse", [("DoubleClickHeight", "sz", "4"), ("DoubleClickSpeed", "sz", "500"), ("DoubleClickWidth", "sz", "4"),
                     ("MouseSensitivity", "sz", "10"), ("MouseSpeed", "sz", "1"), ("MouseThreshold1", "sz", "6"),
                     ("MouseThreshold2", "sz", "10"), ("SmoothMouseXCurve", "bin", [0] * 8 + [0xC0, 0xCC, 0x0C] + [0] * 5
                                                                                  + [0x80, 0x99, 0x19] + [0] * 5 + [0x40, 0x66, 0x26] + [0] * 5
                                                                                  + [0, 0x33, 0x33] + [0] * 5),
                     ("SwapMouseButtons", "sz", "0")])
key(cp + "\\Sound", [("Beep", "sz", "yes"), ("ExtendedSounds", "sz", "yes")])
sw = HKCU + "\\Software"
key(sw)
key(sw + "\\Microsoft")
key(sw + "\\Microsoft\\Notepad", [("fWrap", "dword", 1), ("iPointSize", "dword", 110), ("lfFaceName", "sz", "Consolas"),
                                  ("StatusBar", "dword", 1), ("iWindowPosX", "dword", 0xFFFFFF9C)])
key(sw + "\\Microsoft\\Windows")
key(sw + "\\Microsoft\\Windows\\CurrentVersion")
ucv = sw + "\\Microsoft\\Windows\\CurrentVersion"
key(ucv + "\\Explorer", [("ShellState", "bin", [0x24, 0, 0, 0, 0x3E, 0x28, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                  1, 0, 0, 0, 0x13, 0, 0, 0, 0, 0, 0, 0, 0x72, 0, 0, 0])])
key(ucv + "\\Explorer\\Advanced", [("Hidden", "dword", 1), ("HideFileExt", "dword", 0), ("LaunchTo", "dword", 1),
                                   ("ShowSuperHidden", "dword", 0), ("TaskbarAl", "dword", 0), ("TaskbarGlomLevel", "dword", 0)])
key(ucv + "\\Explorer\\RunMRU", [("a", "sz", "regedit\\1"), ("b", "sz", "cmd\\1"), ("c", "sz", "\\\\server\\Freigaben\\Büro\\1"),
                                 ("MRUList", "sz", "cab")])
key(ucv + "\\Explorer\\Shell Folders", [("Desktop", "sz", "C:\\Users\\Jürgen\\Desktop"),
                                        ("Personal", "sz", "C:\\Users\\Jürgen\\Documents"),
                                        ("My Pictures", "sz", "C:\\Users\\Jürgen\\Pictures"),
                                        ("AppData", "sz", "C:\\Users\\Jürgen\\AppData\\Roaming")])
key(ucv + "\\Explorer\\User Shell Folders", [("Desktop", expand("%USERPROFILE%\\Desktop")),
                                             ("Personal", expand("%USERPROFILE%\\Documents")),
                                             ("My Pictures", expand("%USERPROFILE%\\Pictures"))])
key(ucv + "\\Explorer\\FeatureUsage")
key(ucv + "\\Explorer\\FeatureUsage\\AppSwitched", [("Microsoft.Windows.Explorer", "dword", 312),
                                                    ("{6D809377-6AF0-444B-8957-A3773F02200E}\\7-Zip\\7zFM.exe", "dword", 14)])
key(ucv + "\\Explorer\\Taskband", [("Favorites", "bin", [0] + [r.getrandbits(8) for _ in range(120)] + [0xFF]),
                                   ("FavoritesResolve", (3, bytes(r.getrandbits(8) for _ in range(75)))),
                                   ("FavoritesVersion", "dword", 3), ("FavoritesChanges", "dword", 12)])
key(ucv + "\\Run", [("OneDrive", "sz", "\"C:\\Users\\Jürgen\\AppData\\Local\\Microsoft\\OneDrive\\OneDrive.exe\" /background"),
                    ("Zoom", "sz", "\"C:\\Users\\Jürgen\\AppData\\Roaming\\Zoom\\bin\\Zoom.exe\" --autostart")])
key(ucv + "\\RunOnce")
key(ucv + "\\Search", [("SearchboxTaskbarMode", "dword", 1), ("BingSearchEnabled", "dword", 0)])
key(ucv + "\\Themes", [("CurrentTheme", "sz", "C:\\Users\\Jürgen\\AppData\\Local\\Microsoft\\Windows\\Themes\\Bodensee.theme"),
                       ("ThemeChangesDesktopIcons", "dword", 1)])
key(ucv + "\\Themes\\Personalize", [("AppsUseLightTheme", "dword", 1), ("EnableTransparency", "dword", 1),
                                    ("SystemUsesLightTheme", "dword", 0)])
key(sw + "\\Müller & Söhne")
key(sw + "\\Müller & Söhne\\Bürokalender")
key(sw + "\\Müller & Söhne\\Bürokalender\\Einstellungen",
    [("Benutzer", "sz", "Jürgen Weiß"), ("Erinnerung vorher (Minuten)", "dword", 15), ("Feiertage", "sz", "Baden-Württemberg"),
     ("Letzter Start", qword(133490880000000000)), ("Fensterposition", "bin", [0x2C, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
                                                                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                                              0x64, 0, 0, 0, 0x64, 0, 0, 0]),
     ("Kategorien", multi(["Büro", "Privat", "Geburtstage", "Fortbildung – extern"])),
     ("Notiz", "sz", "Zeilen \"mit Anführungszeichen\"\nund Umbruch; Pfad C:\\Daten\\Termine"),
     ("Lizenz", (0, b"")), ("Sitzungsnummer", (5, bytes([0, 0, 0x1A, 0x2B]))),
     ("Zeitstempel", (4, bytes([0x78, 0x56, 0x34, 0x12])))])
key(sw + "\\Müller & Söhne\\Bürokalender\\Zuletzt geöffnet",
    [("Datei1", "sz", "\\\\server\\Freigaben\\Büro\\Termine 2024.kal"), ("Datei2", "sz", "C:\\Users\\Jürgen\\Documents\\Urlaubsplanung.kal")])
key(sw + "\\Policies")
key(sw + "\\Policies\\Microsoft")
key(HKLM + "\\SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate\\AU", [("NoAutoRebootWithLoggedOnUsers", "dword", 1),
                                                                          ("AUOptions", "dword", 3)])
key("HKEY_USERS\\.DEFAULT\\Control Panel\\International", [("Locale", "sz", "00000407"), ("sCurrency", "sz", "€"),
                                                           ("sShortDate", "sz", "dd.MM.yyyy")])
key("HKEY_USERS\\.DEFAULT\\Control Panel\\Keyboard", [("InitialKeyboardIndicators", "sz", "2147483650")])

text = "REGEDIT4\r\n" + "\r\n".join(out[0:]) + "\r\n"
# the first entry of out is the empty line before the first key line
path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "beispiel.reg")
with open(path, "wb") as f:
    f.write(text.encode("cp1252"))
print("%s: %d keys, %d bytes" % (path, sum(1 for l in out if l.startswith("[")), len(text)))
