; A program's Windows installer, the student's program's or the course team's reader's: for the
; user who runs it, without administrator rights. It puts the program in the user's own programs
; folder, a Start-menu entry, and an uninstaller that Add/Remove Programs lists. The folders of
; records (c:\qorvanit or the one chosen, or those the reader reads) are never touched.
; Run over an installed version, older or not, it replaces it: one program, one entry of each.
; Made by tools/windows/package-program, which defines PROGRAM (the .exe's name without it),
; PRODUCT (the name the user sees), VERSION, STAGE (the program and its DLLs), FILES (an include
; that lists them for the uninstaller) and OUTFILE.

!include FileFunc.nsh
!include LogicLib.nsh

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PROGRAM}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "Physics II course team"
VIAddVersionKey "LegalCopyright" "Physics II course team"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Whether the installed program file $0 is running, in $1: Windows lets no one write to it then.
Function checkRunning
    StrCpy $1 0
    ${If} ${FileExists} $0
        ClearErrors
        FileOpen $2 $0 a
        ${If} ${Errors}
            StrCpy $1 1
        ${Else}
            FileClose $2
        ${EndIf}
    ${EndIf}
FunctionEnd

; A running program's files cannot be replaced, and replacing some of them would leave a program
; that does not start: the user is asked to close it first, the window program or its console
; build (the reader's .com). A silent install fails instead, with exit code 2, and changes nothing.
Function closeRunningProgram
    retry:
    StrCpy $0 "$INSTDIR\${PROGRAM}.exe"
    Call checkRunning
    ${If} $1 == 0
        StrCpy $0 "$INSTDIR\${PROGRAM}.com"
        Call checkRunning
    ${EndIf}
    ${If} $1 == 0
        Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is running. Close it, then click Retry." /SD IDCANCEL IDRETRY retry
    DetailPrint "${PRODUCT} is running in $INSTDIR: nothing was installed."
    SetErrorLevel 2
    Quit
FunctionEnd

Section
    SetShellVarContext current
    Call closeRunningProgram
    ; An installed version goes first, through its own uninstaller, which leaves the records and
    ; removes exactly the files it put there; run in place, it is done when ExecWait returns.
    ${If} ${FileExists} "$INSTDIR\uninstall.exe"
        ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    ${EndIf}
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Physics II course team"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only the files the installer put there go, named one by one, so a folder the user chose to
; install into keeps whatever else it holds.
Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
