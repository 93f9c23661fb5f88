; Per-user installer of Pictor. It needs no administrator rights: the program goes into the user's own
; programs folder, the shortcut into the user's Start menu and the uninstall entry under HKCU.
;
; scripts/package runs makensis with these defines (paths with forward slashes are fine):
;   PICTOR_BUILD_DIR   the 32-bit build folder, with Pictor.exe and generated/pictor_version.nsh
;   PICTOR_SOURCE_DIR  the source tree (for the icon)
;   PICTOR_README      the README as text with Windows line endings
;   PICTOR_OUT_FILE    the installer to write

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "${PICTOR_BUILD_DIR}/generated/pictor_version.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pictor"
!define MAIN_WINDOW_CLASS "Pictor.MainWindow"
!define UNINSTALLER "Uninstall.exe"

Name "Pictor ${PICTOR_VERSION}"
OutFile "${PICTOR_OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Pictor"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Pictor ${PICTOR_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${PICTOR_VERSION_QUAD}"
VIFileVersion "${PICTOR_VERSION_QUAD}"
VIAddVersionKey /LANG=1031 "ProductName" "Pictor"
VIAddVersionKey /LANG=1031 "ProductVersion" "${PICTOR_VERSION}"
VIAddVersionKey /LANG=1031 "FileVersion" "${PICTOR_VERSION}"
VIAddVersionKey /LANG=1031 "FileDescription" "Pictor ${PICTOR_VERSION} Setup"
VIAddVersionKey /LANG=1031 "CompanyName" "Pictor"
VIAddVersionKey /LANG=1031 "LegalCopyright" "© 2026 Pictor"

!define MUI_ICON "${PICTOR_SOURCE_DIR}/resources/pictor.ico"
!define MUI_UNICON "${PICTOR_SOURCE_DIR}/resources/pictor.ico"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Dieser Assistent installiert $(^NameDA) für Ihr Benutzerkonto. \
Administratorrechte sind nicht nötig.$\r$\n$\r$\nPictor kommt in Ihren eigenen Programmordner und erhält \
einen Eintrag im Startmenü. Entfernen können Sie es unter Einstellungen > Apps.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Pictor.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Pictor jetzt starten"
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Ihre Snapshots im Ordner Bilder\Pictor bleiben erhalten."
; The standard label is cut at the dialog's width.
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "Ordner:"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

; A running Pictor holds its program file open; the user quits it (Q or "Beenden") before files change.
; Silent runs cannot ask and give up with exit code 2.
!macro QUIT_RUNNING_PICTOR prefix
Function ${prefix}QuitRunningPictor
    ${Do}
        FindWindow $0 "${MAIN_WINDOW_CLASS}"
        ${If} $0 = 0
            Return
        ${EndIf}
        ; The buttons carry the system's own words, so the text names none of them.
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Pictor läuft gerade.$\r$\n$\r$\nBitte beenden Sie \
Pictor (Taste Q oder „Beenden“) und versuchen Sie es dann erneut." /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Quit
    retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro QUIT_RUNNING_PICTOR ""
!insertmacro QUIT_RUNNING_PICTOR "un."

Function .onInit
    Call QuitRunningPictor
FunctionEnd

Function un.onInit
    Call un.QuitRunningPictor
FunctionEnd

Section "Pictor"
    SectionIn RO
    ; Pictor may have been started while the wizard was open.
    Call QuitRunningPictor
    SetOutPath "$INSTDIR"
    File "${PICTOR_BUILD_DIR}/Pictor.exe"
    File "/oname=README.txt" "${PICTOR_README}"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    CreateShortcut "$SMPROGRAMS\Pictor.lnk" "$INSTDIR\Pictor.exe" "" "$INSTDIR\Pictor.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Pictor"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${PICTOR_VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Pictor"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pictor.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ; In KiB, as the list of programs expects.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes exactly what the installer put in place. The snapshots in Pictures\Pictor are the user's own and
; are never touched, and the program folder goes only when nothing else is left in it.
Section "Uninstall"
    Call un.QuitRunningPictor
    Delete "$INSTDIR\Pictor.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Pictor.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
