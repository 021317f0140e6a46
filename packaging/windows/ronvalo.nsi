; The Windows installer of Ronvalo 2.2. Installs the program's folder where a standard account
; can write (the program keeps db\, txt\, BACKUP\ and serwis.log beside its executable), makes
; the empty tables when there are none, makes the settings key and lets every user write it,
; adds a Start-menu entry. The uninstaller removes the program and leaves the data and logs.
;   makensis -DSOURCE=build-win/Ronvalo -DOUTPUT=ronvalo-2.2-setup.exe ronvalo.nsi
; Silent: ronvalo-2.2-setup.exe /S [/D=C:\Ronvalo]
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Ronvalo 2.2"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ronvalo"
!define USERS_SID "*S-1-5-32-545"

Name "${PRODUCT}"
OutFile "${OUTPUT}"
InstallDir "C:\Ronvalo"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Ronvalo"
  SetRegView 64
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*.*"
  CreateDirectory "$INSTDIR\txt"
  ; Every user may change the files the program writes beside itself.
  nsExec::ExecToLog 'icacls "$INSTDIR" /grant ${USERS_SID}:(OI)(CI)M /T /Q'
  Pop $0

  ; Existing tables are never replaced.
  IfFileExists "$INSTDIR\db\Odbicia.db" tables_done
    nsExec::ExecToLog '"$INSTDIR\ronvalo-newdb.exe" "$INSTDIR"'
    Pop $0
    StrCmp $0 "0" tables_done
      MessageBox MB_ICONSTOP "Nie można utworzyć pustych tabel w $INSTDIR\db." /SD IDOK
      Abort
  tables_done:

  nsExec::ExecToLog '"$INSTDIR\ronvalo-newdb.exe" --settings-key'
  Pop $0
  StrCmp $0 "0" key_done
    MessageBox MB_ICONSTOP "Nie można przygotować klucza ustawień programu." /SD IDOK
    Abort
  key_done:

  CreateDirectory "$SMPROGRAMS\Ronvalo"
  CreateShortcut "$SMPROGRAMS\Ronvalo\${PRODUCT}.lnk" "$INSTDIR\ronvalo.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.2"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The program's files only: db\, txt\, BACKUP\, serwis.log and serwis.001 stay, and so do the
; settings, so that a reinstallation carries on where the old one stopped.
Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\styles"
  Delete "$SMPROGRAMS\Ronvalo\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\Ronvalo"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
SectionEnd
