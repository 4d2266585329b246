; The installer of Corvane and Restavo: both programs, their help and README, Start-menu shortcuts, an uninstaller,
; and, when the user asks for them, the context-menu commands of folders and drives.
;
; makensis -DPROGRAM_DIR=<folder of Corvane.exe, Restavo.exe, Guide.chm> -DREADME=<README.txt> -DOUTFILE=<setup.exe>
; Silent install: Corvane-Setup.exe /S [/SHELL=1] [/D=<folder>]; silent uninstall: Uninstall.exe /S.
; /SHELL=1 adds the context-menu commands (off unless given); /SHELL=0 leaves them out in an interactive run too.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!ifndef PROGRAM_DIR | README | OUTFILE
    !error "PROGRAM_DIR, README and OUTFILE must be defined (-D...)"
!endif

!define PRODUCT "Corvane"
!define MAKER "Meridel Software"
!define VERSION "2.1.1.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"
!define START_MENU "$SMPROGRAMS\Corvane"

Name "Corvane and Restavo"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Corvane"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${MAKER}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Corvane"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Corvane and Restavo setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${MAKER}"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Corvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Corvane"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Corvane and Restavo" SecPrograms
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${PROGRAM_DIR}/Corvane.exe"
    File "${PROGRAM_DIR}/Restavo.exe"
    File "${PROGRAM_DIR}/Guide.chm"
    File "/oname=README.txt" "${README}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Corvane and Restavo"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\Corvane.exe$\""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start menu shortcuts" SecShortcuts
    SetShellVarContext all
    CreateDirectory "${START_MENU}"
    CreateShortcut "${START_MENU}\Corvane.lnk" "$INSTDIR\Corvane.exe"
    CreateShortcut "${START_MENU}\Restavo.lnk" "$INSTDIR\Restavo.exe"
    CreateShortcut "${START_MENU}\Corvane Help.lnk" "$INSTDIR\Guide.chm"
    CreateShortcut "${START_MENU}\Uninstall Corvane.lnk" "$INSTDIR\Uninstall.exe"
SectionEnd

; Each program registers its own verb, so that the menu texts and commands are exactly the programs' own.
Section /o "Context-menu commands" SecShell
    DetailPrint "Adding $\"Check with Corvane$\" and $\"Restavo$\" to the context menu of folders and drives"
    ExecWait '"$INSTDIR\Corvane.exe" -shell'
    ExecWait '"$INSTDIR\Restavo.exe" -shell'
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPrograms} "The link-repair wizard, the backup restorer, their help and README."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecShortcuts} "A Corvane folder in the Start menu."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecShell} "Adds $\"Check with Corvane$\" and $\"Restavo$\" to the menu that opens when you right-click a folder or a drive."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SHELL=" $1
    ${IfNot} ${Errors}
        ${If} $1 == "1"
            !insertmacro SelectSection ${SecShell}
        ${Else}
            !insertmacro UnselectSection ${SecShell}
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ; The programs remove their verbs and settings themselves; they ignore what is not there.
    ExecWait '"$INSTDIR\Corvane.exe" -uninstall'
    ExecWait '"$INSTDIR\Restavo.exe" -uninstall'

    Delete "$INSTDIR\Corvane.exe"
    Delete "$INSTDIR\Restavo.exe"
    Delete "$INSTDIR\Guide.chm"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "${START_MENU}\Corvane.lnk"
    Delete "${START_MENU}\Restavo.lnk"
    Delete "${START_MENU}\Corvane Help.lnk"
    Delete "${START_MENU}\Uninstall Corvane.lnk"
    RMDir "${START_MENU}"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
