; The Windows installer of Ronvalo 2.2. The code goes to %ProgramFiles%\Ronvalo, where only
; administrators write; the data (db\, txt\, BACKUP\, serwis.log) to a folder of its own that the
; operators may change: C:\ProgramData\Ronvalo, or the folder of an installation of the earlier
; layout (code and data together in C:\Ronvalo), whose data stays where it is and whose code is
; removed. The installer names the data folder to the program in HKLM\SOFTWARE\Kerbis\Ronvalo 2.2
; "DataFolder" (users can only read it), moves the server setting "Baza" there once from the
; settings key, makes the empty tables when there are none, makes the settings key and lets every
; user read and write its values, adds a Start-menu entry. The uninstaller removes the code and
; leaves the data, the logs and the settings (the server's among them).
; Nothing it runs as an administrator comes from a folder the operators can write.
;   makensis -DSOURCE=build-win/Ronvalo -DOUTPUT=ronvalo-2.2-setup.exe ronvalo.nsi
; Silent: ronvalo-2.2-setup.exe /S
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include LogicLib.nsh

!define PRODUCT "Ronvalo 2.2"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ronvalo"
!define INSTALL_KEY "SOFTWARE\Kerbis\Ronvalo 2.2"
; The operators' settings: every user may set its values.
!define SETTINGS_KEY "SOFTWARE\Kerbis\Ronvalo 2.0"
; Where the earlier layout installed by default.
!define OLD_FOLDER "C:\Ronvalo"
; Well-known SIDs, the same on every language of Windows.
!define SYSTEM_SID "*S-1-5-18"
!define ADMINS_SID "*S-1-5-32-544"
!define USERS_SID "*S-1-5-32-545"
; Every change of rights acts on the entry named, never on what a link there points at.
!define ICACLS '"$SYSDIR\icacls.exe"'

Name "${PRODUCT}"
OutFile "${OUTPUT}"
InstallDir "$PROGRAMFILES64\Ronvalo"
RequestExecutionLevel admin
ShowInstDetails show

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var DATA ; the data folder, without a trailing backslash
Var OLD

; The code's folder is fixed: a folder chosen elsewhere (/D=) could be one users can write.
Function .onInit
  StrCpy $INSTDIR "$PROGRAMFILES64\Ronvalo"
FunctionEnd

; $0 without a trailing backslash.
Function TrimBackslash
  StrCpy $1 $0 1 -1
  ${If} $1 == "\"
    StrCpy $0 $0 -1
  ${EndIf}
FunctionEnd

; What $0 names, in $1: "none", "folder" (a real one), "link" (a junction or a symbolic link:
; a reparse point) or "file".
Function EntryKind
  System::Call 'kernel32::GetFileAttributesW(w r0) i .r1'
  ${If} $1 = -1
    StrCpy $1 "none"
    Return
  ${EndIf}
  IntOp $2 $1 & 0x400
  IntOp $1 $1 & 0x10
  ${If} $2 <> 0
    StrCpy $1 "link"
  ${ElseIf} $1 <> 0
    StrCpy $1 "folder"
  ${Else}
    StrCpy $1 "file"
  ${EndIf}
FunctionEnd

; Aborts unless $0 is nothing yet or a real folder.
Function RefuseUnlessFolder
  Call EntryKind
  ${If} $1 != "none"
  ${AndIf} $1 != "folder"
    MessageBox MB_ICONSTOP "Folder danych $0 nie jest zwykłym folderem." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

; Runs icacls with the arguments on the stack; aborts when it fails.
Function Icacls
  Exch $0
  nsExec::ExecToLog '${ICACLS} $0'
  Pop $0
  ${If} $0 != "0"
    MessageBox MB_ICONSTOP "Nie można ustawić uprawnień folderu danych $DATA." /SD IDOK
    Abort
  ${EndIf}
  Pop $0
FunctionEnd
!macro Icacls ARGUMENTS
  Push '${ARGUMENTS}'
  Call Icacls
!macroend

; The folder an earlier run of this installer named; else the folder of an installation of the
; earlier layout, where its tables are; else C:\ProgramData\Ronvalo.
Function ChooseDataFolder
  ReadRegStr $0 HKLM "${INSTALL_KEY}" "DataFolder"
  Call TrimBackslash
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\*.*"
    StrCpy $DATA $0
    Return
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  Call TrimBackslash
  StrCpy $OLD $0
  ${If} $OLD != ""
  ${AndIf} $OLD != $INSTDIR
  ${AndIf} ${FileExists} "$OLD\db\*.*"
    StrCpy $DATA $OLD
    Return
  ${EndIf}
  ${If} ${FileExists} "${OLD_FOLDER}\db\*.*"
    StrCpy $DATA "${OLD_FOLDER}"
    Return
  ${EndIf}
  StrCpy $DATA "$APPDATA\Ronvalo" ; C:\ProgramData\Ronvalo, with the shell context "all"
FunctionEnd

; Makes the data folder administrators' alone for the rest of the installation: it and everything
; in it owned by Administrators, every earlier entry of their rights dropped (a user who made the
; folder or a file in it before the installation may have given himself some, and as the owner
; could give them again), SYSTEM and Administrators with full control. Users get theirs at the end,
; once nothing elevated works in it any more. A folder that is not a real one is refused, also
; when one was put in its place meanwhile.
Function LockDataFolder
  StrCpy $0 $DATA
  Call RefuseUnlessFolder
  ${If} $1 == "none"
    ClearErrors
    CreateDirectory "$DATA"
    ${If} ${Errors}
      MessageBox MB_ICONSTOP "Nie można utworzyć folderu danych $DATA." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
  StrCpy $0 $DATA
  Call RefuseUnlessFolder
  !insertmacro Icacls '"$DATA" /setowner ${ADMINS_SID} /T /L /Q'
  !insertmacro Icacls '"$DATA" /reset /T /L /Q'
  !insertmacro Icacls '"$DATA" /inheritance:r /grant:r ${SYSTEM_SID}:(OI)(CI)F ${ADMINS_SID}:(OI)(CI)F /L /Q'
  StrCpy $0 $DATA
  Call RefuseUnlessFolder
FunctionEnd

; A plugin folder of the earlier layout's code: its DLLs and then the folder; a link in its place
; is removed itself, never what it points at.
Function RemoveOldPluginFolder
  Call EntryKind
  ${If} $1 == "folder"
    Delete "$0\*.dll"
  ${EndIf}
  ${If} $1 == "folder"
  ${OrIf} $1 == "link"
    RMDir "$0"
  ${EndIf}
FunctionEnd
!macro RemoveOldPluginFolder NAME
  StrCpy $0 "$DATA\${NAME}"
  Call RemoveOldPluginFolder
!macroend

; The earlier layout's code in the data folder: anything there that Windows or Qt would load or
; run once it has been replaced by a user. Whatever else lies there (db\, txt\, BACKUP\, the logs)
; stays.
Function RemoveOldCode
  Delete "$DATA\ronvalo.exe"
  Delete "$DATA\ronvalo-newdb.exe"
  Delete "$DATA\ronvalo-raport.exe"
  Delete "$DATA\ronvalo-verify.exe"
  Delete "$DATA\uninstall.exe"
  Delete "$DATA\qt.conf"
  Delete "$DATA\*.dll"
  !insertmacro RemoveOldPluginFolder "platforms"
  !insertmacro RemoveOldPluginFolder "sqldrivers"
  !insertmacro RemoveOldPluginFolder "styles"
  !insertmacro RemoveOldPluginFolder "imageformats"
  !insertmacro RemoveOldPluginFolder "iconengines"
  !insertmacro RemoveOldPluginFolder "printsupport"
  !insertmacro RemoveOldPluginFolder "generic"
  !insertmacro RemoveOldPluginFolder "tls"
  !insertmacro RemoveOldPluginFolder "networkinformation"
FunctionEnd

; db\ of a data folder without tables, before ronvalo-newdb makes them there: a real folder or
; nothing. A db\ that a user made is given to Administrators and inherits the locked rights, so
; that nobody can put anything in it meanwhile (ronvalo-newdb refuses to replace a table file).
Function LockTablesFolder
  StrCpy $0 "$DATA\db"
  Call RefuseUnlessFolder
  ${If} $1 == "folder"
    !insertmacro Icacls '"$DATA\db" /setowner ${ADMINS_SID} /L /Q'
    !insertmacro Icacls '"$DATA\db" /reset /L /Q'
  ${EndIf}
FunctionEnd

; "Baza", the server's connection string, moves out of the settings key, which every user may
; write, into the installation key beside DataFolder, which only administrators write and the
; installed program reads it from: an installation that used a server keeps it. Once only: the
; marker keeps a value a user puts into the settings key later from being moved by the next
; (re)installation; the program ignores it there.
Function MoveServerSetting
  ClearErrors
  ReadRegDWORD $0 HKLM "${INSTALL_KEY}" "ServerSettingMoved"
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  ClearErrors
  ReadRegStr $0 HKLM "${SETTINGS_KEY}" "Baza"
  ${IfNot} ${Errors}
    ClearErrors
    ReadRegStr $1 HKLM "${INSTALL_KEY}" "Baza"
    ${If} ${Errors}
      WriteRegStr HKLM "${INSTALL_KEY}" "Baza" $0
      DetailPrint "Ustawienie serwera Baza przeniesione do HKLM\${INSTALL_KEY}: $0"
    ${EndIf}
  ${EndIf}
  DeleteRegValue HKLM "${SETTINGS_KEY}" "Baza"
  WriteRegDWORD HKLM "${INSTALL_KEY}" "ServerSettingMoved" 1
FunctionEnd

Section "Ronvalo"
  SetRegView 64
  SetShellVarContext all
  Call ChooseDataFolder
  DetailPrint "Folder danych: $DATA"
  Call LockDataFolder
  Call RemoveOldCode

  ; The whole program folder: the executables, Qt's DLLs and plugins, the MinGW runtime, and what
  ; Qt's PostgreSQL driver sqldrivers\qsqlpsql.dll loads: libpq.dll, libssl-3-x64.dll and
  ; libcrypto-3-x64.dll.
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*.*"

  ; Existing tables are never replaced.
  ${IfNot} ${FileExists} "$DATA\db\Odbicia.db"
    Call LockTablesFolder
    nsExec::ExecToLog '"$INSTDIR\ronvalo-newdb.exe" "$DATA"'
    Pop $0
    ${If} $0 != "0"
      MessageBox MB_ICONSTOP "Nie można utworzyć pustych tabel w $DATA\db." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
  CreateDirectory "$DATA\txt"
  ; Every user may change the data.
  !insertmacro Icacls '"$DATA" /grant:r ${USERS_SID}:(OI)(CI)M /L /Q'
  WriteRegStr HKLM "${INSTALL_KEY}" "DataFolder" "$DATA\"
  Call MoveServerSetting

  nsExec::ExecToLog '"$INSTDIR\ronvalo-newdb.exe" --settings-key'
  Pop $0
  ${If} $0 != "0"
    MessageBox MB_ICONSTOP "Nie można przygotować klucza ustawień programu." /SD IDOK
    Abort
  ${EndIf}

  ; The shortcut starts the program in its own folder.
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\Ronvalo"
  CreateShortcut "$SMPROGRAMS\Ronvalo\${PRODUCT}.lnk" "$INSTDIR\ronvalo.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; One entry, replacing the earlier layout's.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.2"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The code only: the data folder with db\, txt\, BACKUP\, serwis.log and serwis.001 stays, and so
; do the settings and the server setting "Baza" with its marker, so that a reinstallation carries
; on where the old one stopped.
Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$INSTDIR\ronvalo.exe"
  Delete "$INSTDIR\ronvalo-newdb.exe"
  Delete "$INSTDIR\ronvalo-raport.exe"
  Delete "$INSTDIR\ronvalo-verify.exe"
  ; Qt's, the MinGW runtime's, libpq's and OpenSSL's.
  Delete "$INSTDIR\*.dll"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\translations"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Ronvalo\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\Ronvalo"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegValue HKLM "${INSTALL_KEY}" "DataFolder"
  DeleteRegKey /ifempty HKLM "${INSTALL_KEY}"
  RMDir "$INSTDIR"
SectionEnd
