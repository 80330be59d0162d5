<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr_FR">
<context>
    <name>APIError</name>
    <message>
        <source>L&apos;opération n&apos;a pas pu être effectuée.</source>
        <translation>The operation could not be completed.</translation>
    </message>
</context>
<context>
    <name>APIService</name>
    <message>
        <source>Connexion refusée : le serveur n&apos;accepte pas de connexion à cette adresse.</source>
        <translation>Connection refused: the server accepts no connection at this address.</translation>
    </message>
    <message>
        <source>La connexion avec le serveur a été interrompue avant la fin de sa réponse.</source>
        <translation>The connection to the server was cut before the end of its reply.</translation>
    </message>
    <message>
        <source>Serveur introuvable : vérifiez l&apos;adresse du serveur et la connexion au réseau.</source>
        <translation>Server not found: check the server&apos;s address and the network connection.</translation>
    </message>
    <message>
        <source>Le serveur n&apos;a pas répondu à temps (délai dépassé).</source>
        <translation>The server did not answer in time (timed out).</translation>
    </message>
    <message>
        <source>La connexion sécurisée (TLS) avec le serveur a échoué.</source>
        <translation>The secure (TLS) connection to the server failed.</translation>
    </message>
    <message>
        <source>Le réseau est indisponible.</source>
        <translation>The network is unavailable.</translation>
    </message>
    <message>
        <source>Le serveur a redirigé la requête vers une autre adresse ; la redirection a été refusée.</source>
        <translation>The server redirected the request to another address; the redirection was refused.</translation>
    </message>
    <message>
        <source>Le serveur a envoyé une réponse qui n&apos;est pas une réponse HTTP valide.</source>
        <translation>The server sent a reply that is not a valid HTTP reply.</translation>
    </message>
    <message>
        <source>Erreur serveur</source>
        <translation>Server error</translation>
    </message>
    <message>
        <source>La réponse du serveur dépasse 256 Mio ; le transfert a été interrompu.</source>
        <translation>The server&apos;s reply exceeds 256 MiB; the transfer was stopped.</translation>
    </message>
    <message>
        <source>Erreur création ticket</source>
        <translation>Ticket creation error</translation>
    </message>
    <message>
        <source>Réponse invalide du serveur</source>
        <translation>Invalid reply from the server</translation>
    </message>
    <message>
        <source>Erreur inconnue</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>AppVersion</name>
    <message>
        <source>Version %1 (%2)</source>
        <translation>Version %1 (%2)</translation>
    </message>
</context>
<context>
    <name>Configuration</name>
    <message>
        <source>Adresse %1 invalide : « %2 » (attendu : %3://…).</source>
        <translation>Invalid %1 address: “%2” (expected: %3://…).</translation>
    </message>
    <message>
        <source>Adresse %1 refusée : « %2 ». Une connexion non chiffrée (%3) n&apos;est permise que vers cette machine (127.0.0.1, ::1, localhost) ; utilisez %4.</source>
        <translation>%1 address refused: “%2”. An unencrypted connection (%3) is only allowed towards this machine (127.0.0.1, ::1, localhost); use %4.</translation>
    </message>
    <message>
        <source>L&apos;option %1 attend une adresse.</source>
        <translation>The option %1 expects an address.</translation>
    </message>
    <message>
        <source>de l&apos;API</source>
        <comment>which address: %1 of the refusals</comment>
        <translation>API</translation>
    </message>
</context>
<context>
    <name>DecodingError</name>
    <message>
        <source>Les données n&apos;ont pas pu être lues car la valeur « %1 » est manquante.</source>
        <translation>The data could not be read because the value “%1” is missing.</translation>
    </message>
    <message>
        <source>Les données n&apos;ont pas pu être lues car la valeur « %1 » n&apos;est pas du type attendu.</source>
        <translation>The data could not be read because the value “%1” is not of the expected type.</translation>
    </message>
    <message>
        <source>Les données n&apos;ont pas pu être lues car elles ne sont pas au bon format.</source>
        <translation>The data could not be read because it is not in the right format.</translation>
    </message>
</context>
<context>
    <name>MissedClosures</name>
    <message>
        <source>1 ticket a été fermé.</source>
        <translation>1 ticket was closed.</translation>
    </message>
    <message>
        <source>%1 tickets ont été fermés.</source>
        <translation>%1 tickets were closed.</translation>
    </message>
    <message>
        <source>Tickets fermés</source>
        <translation>Tickets closed</translation>
    </message>
</context>
<context>
    <name>RealtimeWiring</name>
    <message>
        <source>Votre ticket #%1 a été fermé.</source>
        <translation>Your ticket #%1 was closed.</translation>
    </message>
    <message>
        <source>Ticket fermé</source>
        <translation>Ticket closed</translation>
    </message>
    <message>
        <source>Nouveau ticket</source>
        <translation>New ticket</translation>
    </message>
</context>
<context>
    <name>Ticket</name>
    <message>
        <source>Sans titre</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>Aucun message</source>
        <translation>No message</translation>
    </message>
</context>
<context>
    <name>URLError</name>
    <message>
        <source>L&apos;adresse du serveur est incorrecte.</source>
        <translation>The server&apos;s address is incorrect.</translation>
    </message>
    <message>
        <source>Le serveur a renvoyé une réponse incorrecte.</source>
        <translation>The server sent back an incorrect reply.</translation>
    </message>
</context>
<context>
    <name>Updater</name>
    <message>
        <source>Le flux des mises à jour est illisible.</source>
        <translation>The update feed cannot be read.</translation>
    </message>
    <message>
        <source>Le flux des mises à jour ne décrit aucune version utilisable.</source>
        <translation>The update feed describes no usable version.</translation>
    </message>
    <message>
        <source>L&apos;adresse du flux des mises à jour est refusée : « %1 ».</source>
        <translation>The update feed&apos;s address is refused: “%1”.</translation>
    </message>
    <message>
        <source>Impossible de vérifier les mises à jour : %1</source>
        <translation>Could not check for updates: %1</translation>
    </message>
    <message>
        <source>Impossible de vérifier les mises à jour : le serveur a répondu %1.</source>
        <translation>Could not check for updates: the server answered %1.</translation>
    </message>
</context>
<context>
    <name>UserSettings</name>
    <message>
        <source>Impossible d&apos;enregistrer les réglages dans « %1 ». Vérifiez que ce dossier est accessible en écriture et qu&apos;il reste de la place sur le disque, puis réessayez.</source>
        <translation>The settings could not be saved in “%1”. Check that this folder is writable and that the disk has space left, then try again.</translation>
    </message>
</context>
</TS>
