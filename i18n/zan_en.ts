<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="it">
<context>
    <name>DeviceSearch</name>
    <message>
        <source>Found SN%03d su COM%d</source>
        <translation>Found SN%03d on COM%d</translation>
    </message>
    <message>
        <source>SEARCH terminata da comando [ESC=&gt;Skip]</source>
        <translation>SEARCH ended by command [ESC=&gt;Skip]</translation>
    </message>
</context>
<context>
    <name>LinkWatchdog</name>
    <message>
        <source>Attenzione !!!</source>
        <translation>Warning !!!</translation>
    </message>
    <message>
        <source>ZAN non connesso !

Controllare :

-Accensione sistema ZAN
-Porta COM
-Pairing con Bluetooth (5296)

Premere spia ONLINE/RECONNECT per Riconnettere ...

Inserire SN ---&gt; Search ZAN ...
Per versioni SW&lt;1.0 inserire 000</source>
        <translation>ZAN not connected !

Check:

-ZAN system switched on
-COM port
-Bluetooth pairing (5296)

Press the ONLINE/RECONNECT lamp to reconnect ...

Enter SN ---&gt; Search ZAN ...
For SW versions &lt;1.0 enter 000</translation>
    </message>
</context>
<context>
    <name>ServiceCommands</name>
    <message>
        <source>Serializzazione pedivella ...</source>
        <translation>Crank serial number ...</translation>
    </message>
    <message>
        <source>Inserire Serial Number XXX</source>
        <translation>Enter Serial Number XXX</translation>
    </message>
</context>
<context>
    <name>SessionPanel</name>
    <message>
        <source>Selezionare FOLDER</source>
        <translation>Select FOLDER</translation>
    </message>
</context>
<context>
    <name>SetupCommands</name>
    <message>
        <source>Selezionare il file SETUP</source>
        <translation>Select the SETUP file</translation>
    </message>
</context>
</TS>
