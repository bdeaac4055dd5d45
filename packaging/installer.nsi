; The Windows installer of the Vexa micro-client; the same file is its upgrade
; package.
;
;   makensis -INPUTCHARSET UTF8 -DPROGRAM=Vexatavo.exe -DICON=151.ico
;            -DOUTFILE=VexatavoSetup.exe [-DAMD64] installer.nsi
;
; Started by a person: welcome, folder, progress and finish pages (Chinese or
; English after the system's language).  It installs Vexatavo.exe, a Start-menu
; folder and a desktop shortcut, registers the uninstaller, and starts the
; program with "/setupsucc", which sends the install ping and ends by itself.
;
; Started as " /S /RKUPGRADE" (how the client starts a downloaded upgrade):
; silently replaces the installed program in place (the folder comes from the
; uninstall registration), keeps the shortcuts as the player left them, sends
; no install ping, and starts the program again.  On a machine without an
; installation it installs as above.
;
; The uninstaller starts the program with "/uninstallsucc" and waits for it
; (the uninstall ping), then removes the files, shortcuts and registration.
; The player's data folder (settings) is kept.
;
; -DAMD64 builds the same installer for x86-64 Windows around a 64-bit
; program (installed under the 64-bit Program Files and registry view).

Unicode true
!ifdef AMD64
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!ifndef PROGRAM | OUTFILE | ICON
  !error "define PROGRAM, OUTFILE and ICON"
!endif

!define PRODUCT "VexaBrannoc"
!define PUBLISHER "Vexa游戏"
!define EXE "Vexatavo.exe"
!define VERSION "3.0.0.0"
!define MENU_FOLDER "Vexa游戏"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexatavo"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef AMD64
  InstallDir "$PROGRAMFILES64\Vexa\Vexatavo"
!else
  InstallDir "$PROGRAMFILES\Vexa\Vexatavo"
!endif
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PUBLISHER} · ${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

Var Upgrade  ; "1" when this run replaces an installed program in place

!macro UseRegistryView
  !ifdef AMD64
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro UseRegistryView
  StrCpy $Upgrade ""
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/RKUPGRADE" $R1
  ${IfNot} ${Errors}
    ReadRegStr $R2 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $R2 != ""
    ${AndIf} ${FileExists} "$R2\${EXE}"
      StrCpy $INSTDIR $R2
      StrCpy $Upgrade "1"
    ${EndIf}
  ${EndIf}
FunctionEnd

; The client that started this upgrade closes itself right after; wait for
; it (at most 10 s).  A program still running then is renamed away, which
; Windows allows for a running executable, and removed at the next restart.
Function FreeProgramFile
  StrCpy $R3 0
  ${Do}
    ClearErrors
    FileOpen $R4 "$INSTDIR\${EXE}" a
    ${IfNot} ${Errors}
      FileClose $R4
      Return
    ${EndIf}
    IntOp $R3 $R3 + 1
    ${If} $R3 >= 20
      ${Break}
    ${EndIf}
    Sleep 500
  ${Loop}
  Delete "$INSTDIR\${EXE}.old"
  Rename "$INSTDIR\${EXE}" "$INSTDIR\${EXE}.old"
  Delete /REBOOTOK "$INSTDIR\${EXE}.old"
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  ${If} $Upgrade == "1"
    Call FreeProgramFile
  ${EndIf}
  SetOverwrite on
  File "/oname=${EXE}" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\uninst.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  IntFmt $R0 "0x%08X" $R0
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $R0

  ${If} $Upgrade == "1"
    ; The upgraded client comes back as the player left it.
    Exec '"$INSTDIR\${EXE}"'
  ${Else}
    CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
    CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\${EXE}"
    CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\卸载 ${PRODUCT}.lnk" "$INSTDIR\uninst.exe"
    CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${EXE}"
    ; The install ping; the run ends by itself when it has been sent.
    Exec '"$INSTDIR\${EXE}" /setupsucc'
  ${EndIf}
SectionEnd

Function un.onInit
  !insertmacro UseRegistryView
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  ; The uninstall ping goes out while the program is still there.
  ExecWait '"$INSTDIR\${EXE}" /uninstallsucc'
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\${EXE}.old"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
  ${GetParent} "$INSTDIR" $R0
  RMDir "$R0"
  Delete "$SMPROGRAMS\${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${MENU_FOLDER}\卸载 ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${MENU_FOLDER}"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
