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
    <message>
        <source>Trop de tentatives : réessayez plus tard</source>
        <translation>Too many attempts: try again later</translation>
    </message>
    <message>
        <source>Identifiant ou mot de passe incorrect</source>
        <translation>Wrong login or password</translation>
    </message>
</context>
<context>
    <name>AccessWatch</name>
    <message>
        <source>Votre accès n&apos;est plus valide : enregistrez ce poste à nouveau.</source>
        <translation>Your access is no longer valid: register this workstation again.</translation>
    </message>
    <message>
        <source>Votre session administrateur a expiré : reconnectez-vous.</source>
        <translation>Your administrator session has expired: log in again.</translation>
    </message>
</context>
<context>
    <name>AddCompanyView</name>
    <message>
        <source>Nouvelle société</source>
        <translation>New company</translation>
    </message>
    <message>
        <source>Société créée avec succès !</source>
        <translation>Company created successfully!</translation>
    </message>
    <message>
        <source>Ajouter une nouvelle société au système</source>
        <translation>Add a new company to the system</translation>
    </message>
    <message>
        <source>Nom de la société</source>
        <translation>Company name</translation>
    </message>
    <message>
        <source>Ex: Norvik</source>
        <translation>e.g. Norvik</translation>
    </message>
    <message>
        <source>Code unique (3-10 caractères)</source>
        <translation>Unique code (3-10 characters)</translation>
    </message>
    <message>
        <source>Ex: NORVIK001</source>
        <translation>e.g. NORVIK001</translation>
    </message>
    <message>
        <source>Lettres majuscules et chiffres uniquement</source>
        <translation>Capital letters and digits only</translation>
    </message>
    <message>
        <source>Créer la société</source>
        <translation>Create company</translation>
    </message>
    <message>
        <source>Erreur: %1</source>
        <translation>Error: %1</translation>
    </message>
</context>
<context>
    <name>AdminLoginView</name>
    <message>
        <source>Connexion admin</source>
        <translation>Admin login</translation>
    </message>
    <message>
        <source>Accédez à la gestion des tickets</source>
        <translation>Access ticket management</translation>
    </message>
    <message>
        <source>Mot de passe incorrect</source>
        <translation>Incorrect password</translation>
    </message>
    <message>
        <source>Se connecter</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Mot de passe</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Mot de passe admin</source>
        <translation>Admin password</translation>
    </message>
    <message>
        <source>Se déconnecter</source>
        <translation>Log out</translation>
    </message>
    <message>
        <source>Fermer</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Connecté en tant qu&apos;admin</source>
        <translation>Logged in as admin</translation>
    </message>
    <message>
        <source>Identifiant</source>
        <translation>Login</translation>
    </message>
</context>
<context>
    <name>AdminUi</name>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
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
    <name>AreaSelector</name>
    <message>
        <source>Sélection de la zone à capturer</source>
        <translation>Selecting the area to capture</translation>
    </message>
    <message>
        <source>Faites glisser pour choisir une zone, cliquez pour tout l&apos;écran — Échap pour annuler</source>
        <translation>Drag to choose an area, click for the whole screen — Esc to cancel</translation>
    </message>
</context>
<context>
    <name>AttachmentPicker</name>
    <message>
        <source>Ce fichier n&apos;est pas une image lisible (PNG, JPEG ou HEIC).</source>
        <translation>This file is not a readable image (PNG, JPEG or HEIC).</translation>
    </message>
    <message>
        <source>Capture d&apos;écran (optionnel)</source>
        <translation>Screenshot (optional)</translation>
    </message>
    <message>
        <source>Capturer l&apos;écran</source>
        <translation>Capture screen</translation>
    </message>
    <message>
        <source>Choisir une image</source>
        <translation>Choose image</translation>
    </message>
    <message>
        <source>Sélectionner une zone de l&apos;écran</source>
        <translation>Select an area of the screen</translation>
    </message>
    <message>
        <source>PNG, JPEG ou HEIC ; vous pouvez aussi coller (Ctrl+V) ou déposer une image</source>
        <translation>PNG, JPEG or HEIC; you can also paste (Ctrl+V) or drop an image</translation>
    </message>
    <message>
        <source>Supprimer</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Modifier la capture</source>
        <translation>Edit screenshot</translation>
    </message>
    <message>
        <source>Masquer, flouter ou signaler une partie de l&apos;image avant l&apos;envoi</source>
        <translation>Hide, blur or highlight part of the picture before sending</translation>
    </message>
    <message>
        <source>Images (*.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.heic *.HEIC)</source>
        <translation>Images (*.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.heic *.HEIC)</translation>
    </message>
</context>
<context>
    <name>CaptureCanvas</name>
    <message>
        <source>Capture à modifier</source>
        <translation>Screenshot to edit</translation>
    </message>
</context>
<context>
    <name>CaptureEditor</name>
    <message>
        <source>■ Masquer</source>
        <translation>■ Hide</translation>
    </message>
    <message>
        <source>▦ Flouter</source>
        <translation>▦ Blur</translation>
    </message>
    <message>
        <source>▢ Encadrer</source>
        <translation>▢ Rectangle</translation>
    </message>
    <message>
        <source>➜ Flèche</source>
        <translation>➜ Arrow</translation>
    </message>
    <message>
        <source>Modifier la capture</source>
        <translation>Edit screenshot</translation>
    </message>
    <message>
        <source>Masquez ce qui ne doit pas quitter votre poste, signalez ce qui compte</source>
        <translation>Hide what must not leave your workstation, highlight what matters</translation>
    </message>
    <message>
        <source>Outil</source>
        <translation>Tool</translation>
    </message>
    <message>
        <source>↶ Défaire</source>
        <translation>↶ Undo</translation>
    </message>
    <message>
        <source>↷ Refaire</source>
        <translation>↷ Redo</translation>
    </message>
    <message>
        <source>Annuler la dernière modification (Ctrl+Z)</source>
        <translation>Undo the last change (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Rétablir la modification annulée (Ctrl+Maj+Z)</source>
        <translation>Redo the undone change (Ctrl+Shift+Z)</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Terminé</source>
        <translation>Done</translation>
    </message>
</context>
<context>
    <name>CompanyBox</name>
    <message>
        <source>Société</source>
        <translation>Company</translation>
    </message>
</context>
<context>
    <name>CompanyManagementView</name>
    <message>
        <source>Gestion des sociétés</source>
        <translation>Company management</translation>
    </message>
    <message>
        <source>Nouvelle société</source>
        <translation>New company</translation>
    </message>
    <message>
        <source>Aucune société enregistrée</source>
        <translation>No companies registered</translation>
    </message>
    <message>
        <source>Erreur de chargement: %1</source>
        <translation>Loading error: %1</translation>
    </message>
</context>
<context>
    <name>CompanyRow</name>
    <message>
        <source>Code:</source>
        <translation>Code:</translation>
    </message>
    <message>
        <source>Code: %1</source>
        <translation>Code: %1</translation>
    </message>
    <message>
        <source>Réinitialiser un poste</source>
        <translation>Reset a workstation</translation>
    </message>
    <message>
        <source>Réinitialiser un poste de %1</source>
        <translation>Reset a workstation of %1</translation>
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
    <name>ConflictBox</name>
    <message>
        <source>Utiliser ces informations</source>
        <translation>Use this information</translation>
    </message>
    <message>
        <source>Ce poste est déjà utilisé</source>
        <translation>This workstation is already in use</translation>
    </message>
    <message>
        <source>Utilisateur existant:</source>
        <translation>Existing user:</translation>
    </message>
    <message>
        <source>Utilisateur existant: %1</source>
        <translation>Existing user: %1</translation>
    </message>
</context>
<context>
    <name>ConversationDelegate</name>
    <message>
        <source>En attente</source>
        <translation>Pending</translation>
    </message>
</context>
<context>
    <name>ConversationModel</name>
    <message>
        <source>Vous</source>
        <translation>You</translation>
    </message>
    <message>
        <source>%1, %2 : %3</source>
        <translation>%1, %2: %3</translation>
    </message>
    <message>
        <source>En attente</source>
        <translation>Pending</translation>
    </message>
    <message>
        <source>Non envoyé : %1</source>
        <translation>Not sent: %1</translation>
    </message>
</context>
<context>
    <name>ConversationNotifications</name>
    <message>
        <source>Nouveau message</source>
        <translation>New message</translation>
    </message>
</context>
<context>
    <name>ConversationPanel</name>
    <message>
        <source>Conversation</source>
        <translation>Conversation</translation>
    </message>
    <message>
        <source>Le support est en train d&apos;écrire…</source>
        <translation>Support is typing…</translation>
    </message>
    <message>
        <source>L&apos;utilisateur est en train d&apos;écrire…</source>
        <translation>The user is typing…</translation>
    </message>
    <message>
        <source>Ce ticket est fermé : il ne reçoit plus de messages.</source>
        <translation>This ticket is closed: it takes no more messages.</translation>
    </message>
    <message>
        <source>Messages</source>
        <translation>Messages</translation>
    </message>
    <message>
        <source>Copier</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Votre message</source>
        <translation>Your message</translation>
    </message>
    <message>
        <source>Votre message (Ctrl+Entrée pour envoyer)</source>
        <translation>Your message (Ctrl+Enter to send)</translation>
    </message>
    <message>
        <source>Envoyer</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Réessayer</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Erreur de chargement: %1</source>
        <translation>Loading error: %1</translation>
    </message>
</context>
<context>
    <name>CreateTicketView</name>
    <message>
        <source>🟢 Normale</source>
        <translation>🟢 Normal</translation>
    </message>
    <message>
        <source>🟠 Haute</source>
        <translation>🟠 High</translation>
    </message>
    <message>
        <source>🔴 Critique</source>
        <translation>🔴 Critical</translation>
    </message>
    <message>
        <source>Créer un ticket</source>
        <translation>Create a ticket</translation>
    </message>
    <message>
        <source>Décrivez votre demande au support technique</source>
        <translation>Describe your request to technical support</translation>
    </message>
    <message>
        <source>Titre de la demande</source>
        <translation>Request title</translation>
    </message>
    <message>
        <source>Ex: Impossible d&apos;imprimer</source>
        <translation>e.g. Cannot print</translation>
    </message>
    <message>
        <source>Description détaillée</source>
        <translation>Detailed description</translation>
    </message>
    <message>
        <source>Priorité</source>
        <translation>Priority</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Envoyer le ticket</source>
        <translation>Send ticket</translation>
    </message>
    <message>
        <source>Réessayer</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Ticket créé avec succès !</source>
        <translation>Ticket created successfully!</translation>
    </message>
    <message>
        <source>%1 : %2 × %3, échelle %4</source>
        <translation>%1: %2 × %3, scale %4</translation>
    </message>
    <message>
        <source>Joindre les informations système</source>
        <translation>Attach system information</translation>
    </message>
    <message>
        <source>Système, charge, réseau, impression et erreurs récentes de cet ordinateur</source>
        <translation>This computer&apos;s system, load, network, printing and recent errors</translation>
    </message>
    <message>
        <source>Voir</source>
        <translation>View</translation>
    </message>
    <message>
        <source>Voir les informations système</source>
        <translation>View the system information</translation>
    </message>
</context>
<context>
    <name>CredentialStore</name>
    <message>
        <source>Le trousseau de clés du bureau ne répond pas : vos identifiants sont gardés dans un fichier que vous seul pouvez lire.</source>
        <translation>The desktop keyring does not answer: your credentials are kept in a file only you can read.</translation>
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
    <name>DesktopIntegration</name>
    <message>
        <source>Ouvrir l&apos;application</source>
        <translation>Open the application</translation>
    </message>
    <message>
        <source>Faire un ticket</source>
        <translation>New ticket</translation>
    </message>
    <message>
        <source>Voir mes tickets</source>
        <translation>My tickets</translation>
    </message>
    <message>
        <source>Vérifier les mises à jour...</source>
        <translation>Check for updates...</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>Ouvrir</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Répondre</source>
        <translation>Reply</translation>
    </message>
</context>
<context>
    <name>DraftOffer</name>
    <message>
        <source>Reprendre le brouillon</source>
        <translation>Resume draft</translation>
    </message>
    <message>
        <source>Ignorer</source>
        <translation>Ignore</translation>
    </message>
    <message>
        <source>Un ticket commencé et non envoyé a été gardé en brouillon.</source>
        <translation>A ticket that was started but not sent has been kept as a draft.</translation>
    </message>
</context>
<context>
    <name>FieldLabel</name>
    <message>
        <source>%1 (obligatoire)</source>
        <translation>%1 (required)</translation>
    </message>
</context>
<context>
    <name>FullImageView</name>
    <message>
        <source>Fermer</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Pièce jointe</source>
        <translation>Attachment</translation>
    </message>
</context>
<context>
    <name>HomeView</name>
    <message>
        <source>Connexion admin</source>
        <translation>Admin login</translation>
    </message>
    <message>
        <source>Paramètres utilisateur</source>
        <translation>User settings</translation>
    </message>
    <message>
        <source>Norvik Support</source>
        <translation>Norvik Support</translation>
    </message>
    <message>
        <source>Création et gestion des demandes au service technique</source>
        <translation>Creating and managing requests to technical support</translation>
    </message>
    <message>
        <source>Créer mon compte</source>
        <translation>Create my account</translation>
    </message>
    <message>
        <source>Démarrer un ticket</source>
        <translation>Start a ticket</translation>
    </message>
    <message>
        <source>Mes tickets</source>
        <translation>My tickets</translation>
    </message>
    <message>
        <source>Gestion des tickets</source>
        <translation>Ticket management</translation>
    </message>
    <message>
        <source>Admin connecté</source>
        <translation>Admin logged in</translation>
    </message>
</context>
<context>
    <name>IconButton</name>
    <message>
        <source>Fermer</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>IdentityBox</name>
    <message>
        <source>Pensez à remplir vos informations dans les paramètres</source>
        <translation>Remember to fill in your details in the settings</translation>
    </message>
    <message>
        <source>Poste %1</source>
        <translation>Workstation %1</translation>
    </message>
</context>
<context>
    <name>ImagePreview</name>
    <message>
        <source>Capture d&apos;écran jointe</source>
        <translation>Attached screenshot</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Norvik Support</source>
        <translation>Norvik Support</translation>
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
    <name>MyTicketsModel</name>
    <message>
        <source>Terminé</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>En cours</source>
        <translation>In progress</translation>
    </message>
    <message>
        <source>%1, priorité %2, %3, créé le %4</source>
        <translation>%1, priority %2, %3, created on %4</translation>
    </message>
    <message>
        <source>Réduit. Espace pour voir plus.</source>
        <translation>Collapsed. Space to show more.</translation>
    </message>
    <message>
        <source>Réponse du support : %1</source>
        <translation>Support reply: %1</translation>
    </message>
    <message>
        <source>Fermé le %1</source>
        <translation>Closed on %1</translation>
    </message>
    <message>
        <source>1 nouveau message</source>
        <translation>1 new message</translation>
    </message>
    <message>
        <source>%1 nouveaux messages</source>
        <translation>%1 new messages</translation>
    </message>
</context>
<context>
    <name>MyTicketsView</name>
    <message>
        <source>Mes tickets</source>
        <translation>My tickets</translation>
    </message>
    <message>
        <source>Suivez l&apos;état de vos demandes</source>
        <translation>Track the status of your requests</translation>
    </message>
    <message>
        <source>Actualiser</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Chargement...</source>
        <translation>Loading...</translation>
    </message>
    <message>
        <source>Aucun ticket</source>
        <translation>No tickets</translation>
    </message>
    <message>
        <source>Vous n&apos;avez pas encore créé de demande</source>
        <translation>You have not created any request yet</translation>
    </message>
    <message>
        <source>Utilisateur non connecté</source>
        <translation>User not logged in</translation>
    </message>
    <message>
        <source>Erreur de chargement: %1</source>
        <translation>Loading error: %1</translation>
    </message>
</context>
<context>
    <name>NavigationStack</name>
    <message>
        <source>Retour</source>
        <translation>Back</translation>
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
    <name>RegisterView</name>
    <message>
        <source>Créer mon compte</source>
        <translation>Create my account</translation>
    </message>
    <message>
        <source>Bienvenue</source>
        <translation>Welcome</translation>
    </message>
    <message>
        <source>Créez votre compte pour commencer</source>
        <translation>Create your account to get started</translation>
    </message>
    <message>
        <source>Société</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>Chargement...</source>
        <translation>Loading...</translation>
    </message>
    <message>
        <source>Aucune société disponible</source>
        <translation>No company available</translation>
    </message>
    <message>
        <source>Réessayer</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Numéro de poste</source>
        <translation>Workstation number</translation>
    </message>
    <message>
        <source>Ex: 24</source>
        <translation>e.g. 24</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Last name</translation>
    </message>
    <message>
        <source>Votre nom</source>
        <translation>Your last name</translation>
    </message>
    <message>
        <source>Prénom</source>
        <translation>First name</translation>
    </message>
    <message>
        <source>Votre prénom</source>
        <translation>Your first name</translation>
    </message>
    <message>
        <source>Téléphone</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>Ex: 06 12 34 56 78</source>
        <translation>e.g. 555 0123</translation>
    </message>
    <message>
        <source>Sélectionnez une société</source>
        <translation>Select a company</translation>
    </message>
    <message>
        <source>Erreur de chargement des sociétés</source>
        <translation>Could not load the companies</translation>
    </message>
    <message>
        <source>Ce numéro de poste est déjà utilisé dans votre société</source>
        <translation>This workstation number is already in use in your company</translation>
    </message>
    <message>
        <source>Erreur: %1</source>
        <translation>Error: %1</translation>
    </message>
</context>
<context>
    <name>ResetPosteView</name>
    <message>
        <source>Réinitialiser un poste</source>
        <translation>Reset a workstation</translation>
    </message>
    <message>
        <source>Pour un utilisateur qui a perdu son accès (nouvel ordinateur, réinstallation) : son prochain enregistrement sur ce poste retrouve ses tickets avec un nouvel accès, et l&apos;ancien ne fonctionne plus.</source>
        <translation>For a user who lost their access (new computer, reinstallation): their next registration on this workstation gets their tickets back with a new access, and the old one stops working.</translation>
    </message>
    <message>
        <source>Numéro de poste</source>
        <translation>Workstation number</translation>
    </message>
    <message>
        <source>Ex: 42</source>
        <translation>E.g. 42</translation>
    </message>
    <message>
        <source>Poste réinitialisé : il peut être enregistré à nouveau.</source>
        <translation>Workstation reset: it can be registered again.</translation>
    </message>
    <message>
        <source>Réinitialiser</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Erreur: %1</source>
        <translation>Error: %1</translation>
    </message>
</context>
<context>
    <name>ScreenCapture</name>
    <message>
        <source>La capture d&apos;écran n&apos;est pas disponible sur ce bureau. Utilisez « Choisir une image » ou collez une image avec Ctrl+V.</source>
        <translation>Screen capture is not available on this desktop. Use “Choose image” or paste an image with Ctrl+V.</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Paramètres utilisateur</source>
        <translation>User settings</translation>
    </message>
    <message>
        <source>Ces informations seront jointes à vos demandes</source>
        <translation>This information will be attached to your requests</translation>
    </message>
    <message>
        <source>Ouvrir Norvik Support au démarrage</source>
        <translation>Open Norvik Support at startup</translation>
    </message>
    <message>
        <source>Numéro de poste</source>
        <translation>Workstation number</translation>
    </message>
    <message>
        <source>Ex: 24</source>
        <translation>e.g. 24</translation>
    </message>
    <message>
        <source>Téléphone</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>Ex: 06 12 34 56 78</source>
        <translation>e.g. 555 0123</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Last name</translation>
    </message>
    <message>
        <source>Votre nom</source>
        <translation>Your last name</translation>
    </message>
    <message>
        <source>Prénom</source>
        <translation>First name</translation>
    </message>
    <message>
        <source>Votre prénom</source>
        <translation>Your first name</translation>
    </message>
    <message>
        <source>Enregistrer</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Sociétés</source>
        <translation>Companies</translation>
    </message>
    <message>
        <source>Gérer les sociétés</source>
        <translation>Manage companies</translation>
    </message>
</context>
<context>
    <name>Spinner</name>
    <message>
        <source>Chargement</source>
        <translation>Loading</translation>
    </message>
</context>
<context>
    <name>SystemReport</name>
    <message>
        <source>bus D-Bus absent</source>
        <translation>no D-Bus bus</translation>
    </message>
    <message>
        <source>journal illisible (%1)</source>
        <translation>journal unreadable (%1)</translation>
    </message>
    <message>
        <source>%1 Gio</source>
        <translation>%1 GiB</translation>
    </message>
    <message>
        <source>/proc/uptime illisible</source>
        <translation>/proc/uptime unreadable</translation>
    </message>
    <message>
        <source>%1 j %2 h %3 min</source>
        <translation>%1 d %2 h %3 min</translation>
    </message>
    <message>
        <source>ni XDG_SESSION_TYPE ni WAYLAND_DISPLAY</source>
        <translation>neither XDG_SESSION_TYPE nor WAYLAND_DISPLAY</translation>
    </message>
    <message>
        <source>/proc/meminfo illisible</source>
        <translation>/proc/meminfo unreadable</translation>
    </message>
    <message>
        <source>%1 libres sur %2</source>
        <translation>%1 free of %2</translation>
    </message>
    <message>
        <source>%1 introuvable</source>
        <translation>%1 not found</translation>
    </message>
    <message>
        <source>%1 libres sur %2 (%3 % utilisés, %4)</source>
        <translation>%1 free of %2 (%3 % used, %4)</translation>
    </message>
    <message>
        <source>%1 : %2 %, %3</source>
        <translation>%1: %2 %, %3</translation>
    </message>
    <message>
        <source>/etc/os-release illisible</source>
        <translation>/etc/os-release unreadable</translation>
    </message>
    <message>
        <source>XDG_CURRENT_DESKTOP vide</source>
        <translation>XDG_CURRENT_DESKTOP empty</translation>
    </message>
    <message>
        <source>/proc/loadavg illisible</source>
        <translation>/proc/loadavg unreadable</translation>
    </message>
    <message>
        <source>adresse du serveur sans nom d&apos;hôte</source>
        <translation>server address without a host name</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>%1 ne se résout pas (%2)</source>
        <translation>%1 does not resolve (%2)</translation>
    </message>
    <message>
        <source>%1 ne se résout pas en %2 ms</source>
        <translation>%1 does not resolve within %2 ms</translation>
    </message>
    <message>
        <source>pas de réponse en %1 ms</source>
        <translation>no answer within %1 ms</translation>
    </message>
    <message>
        <source>HTTP %1 en %2 ms</source>
        <translation>HTTP %1 in %2 ms</translation>
    </message>
    <message>
        <source>sans adresse</source>
        <translation>no address</translation>
    </message>
    <message>
        <source>aucun</source>
        <translation>none</translation>
    </message>
    <message>
        <source>prête</source>
        <translation>ready</translation>
    </message>
    <message>
        <source>en cours d&apos;impression</source>
        <translation>printing</translation>
    </message>
    <message>
        <source>arrêtée</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>état inconnu</source>
        <translation>unknown state</translation>
    </message>
    <message>
        <source>CUPS absent</source>
        <translation>CUPS absent</translation>
    </message>
    <message numerus="yes">
        <source>%1 : %2, %n travail(s) en attente</source>
        <translation>
            <numerusform>%1: %2, %n job waiting</numerusform>
            <numerusform>%1: %2, %n jobs waiting</numerusform>
        </translation>
    </message>
    <message>
        <source>État</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Distribution</source>
        <translation>Distribution</translation>
    </message>
    <message>
        <source>Noyau</source>
        <translation>Kernel</translation>
    </message>
    <message>
        <source>Nom de la machine</source>
        <translation>Machine name</translation>
    </message>
    <message>
        <source>Allumée depuis</source>
        <translation>Up for</translation>
    </message>
    <message>
        <source>Type de session</source>
        <translation>Session type</translation>
    </message>
    <message>
        <source>Bureau</source>
        <translation>Desktop</translation>
    </message>
    <message>
        <source>Écrans</source>
        <translation>Screens</translation>
    </message>
    <message>
        <source>Version du programme</source>
        <translation>Program version</translation>
    </message>
    <message>
        <source>Mémoire</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>Mémoire d&apos;échange</source>
        <translation>Swap</translation>
    </message>
    <message>
        <source>Charge moyenne</source>
        <translation>Load average</translation>
    </message>
    <message>
        <source>Disque système</source>
        <translation>System disk</translation>
    </message>
    <message>
        <source>Dossier personnel</source>
        <translation>Home folder</translation>
    </message>
    <message>
        <source>Batterie</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>Interfaces actives</source>
        <translation>Active interfaces</translation>
    </message>
    <message>
        <source>Nom du serveur</source>
        <translation>Server name</translation>
    </message>
    <message>
        <source>Réponse du serveur</source>
        <translation>Server answer</translation>
    </message>
    <message>
        <source>Proxy</source>
        <translation>Proxy</translation>
    </message>
    <message>
        <source>Files d&apos;impression</source>
        <translation>Print queues</translation>
    </message>
    <message>
        <source>Services système en échec</source>
        <translation>Failed system services</translation>
    </message>
    <message>
        <source>Services de session en échec</source>
        <translation>Failed session services</translation>
    </message>
    <message>
        <source>Journal (erreurs depuis le démarrage)</source>
        <translation>Journal (errors since boot)</translation>
    </message>
    <message>
        <source>Système</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Charge</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Réseau</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>Impression</source>
        <translation>Printing</translation>
    </message>
    <message>
        <source>Erreurs récentes</source>
        <translation>Recent errors</translation>
    </message>
    <message>
        <source>disque rempli à plus de 90 %</source>
        <translation>disk more than 90 % full</translation>
    </message>
    <message>
        <source>file d&apos;impression arrêtée</source>
        <translation>print queue stopped</translation>
    </message>
    <message>
        <source>service en échec</source>
        <translation>failed service</translation>
    </message>
    <message>
        <source>le serveur ne répond pas</source>
        <translation>the server does not answer</translation>
    </message>
    <message>
        <source>À signaler : %1</source>
        <translation>To note: %1</translation>
    </message>
    <message>
        <source>Indisponible : %1</source>
        <translation>Unavailable: %1</translation>
    </message>
</context>
<context>
    <name>SystemReportCollector</name>
    <message>
        <source>lecture interrompue après %1 ms</source>
        <translation>reading stopped after %1 ms</translation>
    </message>
    <message>
        <source>lecture en cours</source>
        <translation>still reading</translation>
    </message>
</context>
<context>
    <name>SystemReportSection</name>
    <message>
        <source>Disque presque plein (plus de 90 %)</source>
        <translation>Disk nearly full (more than 90 %)</translation>
    </message>
    <message>
        <source>File d&apos;impression arrêtée</source>
        <translation>Print queue stopped</translation>
    </message>
    <message>
        <source>Service en échec</source>
        <translation>Failed service</translation>
    </message>
    <message>
        <source>Le serveur ne répond pas</source>
        <translation>The server does not answer</translation>
    </message>
    <message>
        <source>Informations système</source>
        <translation>System information</translation>
    </message>
    <message>
        <source>Copier</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Copier le rapport</source>
        <translation>Copy the report</translation>
    </message>
    <message>
        <source>Chargement du rapport...</source>
        <translation>Loading the report...</translation>
    </message>
    <message>
        <source>Aucune information système jointe à ce ticket.</source>
        <translation>No system information attached to this ticket.</translation>
    </message>
</context>
<context>
    <name>SystemReportSheet</name>
    <message>
        <source>Informations système</source>
        <translation>System information</translation>
    </message>
    <message>
        <source>Ce qui sera joint au ticket, tel qu&apos;il sera envoyé</source>
        <translation>What will be attached to the ticket, as it will be sent</translation>
    </message>
    <message>
        <source>Les adresses réseau, le nom de la machine et les lignes du journal sont des données personnelles : décochez la case du formulaire pour ne pas les envoyer.</source>
        <translation>Network addresses, the machine&apos;s name and the journal lines are personal data: untick the form&apos;s box not to send them.</translation>
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
    <name>TicketCard</name>
    <message>
        <source>Voir plus</source>
        <translation>Show more</translation>
    </message>
    <message>
        <source>Réponse du support</source>
        <translation>Support reply</translation>
    </message>
    <message>
        <source>Réduire</source>
        <translation>Show less</translation>
    </message>
</context>
<context>
    <name>TicketCardDelegate</name>
    <message>
        <source>Voir le détail</source>
        <translation>View details</translation>
    </message>
</context>
<context>
    <name>TicketDetailView</name>
    <message>
        <source>Pièce jointe</source>
        <translation>Attachment</translation>
    </message>
    <message>
        <source>Agrandir la pièce jointe</source>
        <translation>Enlarge attachment</translation>
    </message>
    <message>
        <source>Créé le %1</source>
        <translation>Created on %1</translation>
    </message>
    <message>
        <source>Actions Administrateur</source>
        <translation>Administrator actions</translation>
    </message>
    <message>
        <source>Message de clôture (optionnel)</source>
        <translation>Closing message (optional)</translation>
    </message>
    <message>
        <source>Fermer ce ticket</source>
        <translation>Close this ticket</translation>
    </message>
    <message>
        <source>Fermeture...</source>
        <translation>Closing...</translation>
    </message>
    <message>
        <source>Ce ticket a été fermé</source>
        <translation>This ticket has been closed</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Informations utilisateur</source>
        <translation>User information</translation>
    </message>
    <message>
        <source>Nom complet</source>
        <translation>Full name</translation>
    </message>
    <message>
        <source>Téléphone</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>Société</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>Poste</source>
        <translation>Workstation</translation>
    </message>
    <message>
        <source>Confirmer la fermeture</source>
        <translation>Confirm closing</translation>
    </message>
    <message>
        <source>Voulez-vous vraiment fermer ce ticket ? Cette action marquera le ticket comme résolu.</source>
        <translation>Do you really want to close this ticket? This will mark the ticket as resolved.</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Fermer le ticket</source>
        <translation>Close ticket</translation>
    </message>
    <message>
        <source>Conversation</source>
        <translation>Conversation</translation>
    </message>
</context>
<context>
    <name>TicketGridView</name>
    <message>
        <source>Tickets</source>
        <translation>Tickets</translation>
    </message>
</context>
<context>
    <name>TicketListModel</name>
    <message>
        <source>%1 tickets au total</source>
        <translation>%1 tickets in total</translation>
    </message>
    <message>
        <source>%1 ticket au total</source>
        <translation>%1 ticket in total</translation>
    </message>
    <message>
        <source>Tickets en cours</source>
        <translation>Open tickets</translation>
    </message>
    <message>
        <source>Tickets fermés</source>
        <translation>Closed tickets</translation>
    </message>
    <message>
        <source>Statut %1</source>
        <translation>Status %1</translation>
    </message>
    <message>
        <source>priorité %1</source>
        <translation>priority %1</translation>
    </message>
    <message>
        <source>créé le %1</source>
        <translation>created on %1</translation>
    </message>
    <message>
        <source>par %1</source>
        <translation>by %1</translation>
    </message>
    <message>
        <source>société %1</source>
        <translation>company %1</translation>
    </message>
    <message>
        <source>%1, %2 tickets</source>
        <translation>%1, %2 tickets</translation>
    </message>
    <message>
        <source>%1, %2 ticket</source>
        <translation>%1, %2 ticket</translation>
    </message>
    <message>
        <source>1 message non lu</source>
        <translation>1 unread message</translation>
    </message>
    <message>
        <source>%1 messages non lus</source>
        <translation>%1 unread messages</translation>
    </message>
    <message>
        <source>1 non lu</source>
        <translation>1 unread</translation>
    </message>
    <message>
        <source>%1 non lus</source>
        <translation>%1 unread</translation>
    </message>
</context>
<context>
    <name>TicketListView</name>
    <message>
        <source>Gestion des tickets</source>
        <translation>Ticket management</translation>
    </message>
    <message>
        <source>Chargement des tickets...</source>
        <translation>Loading tickets...</translation>
    </message>
    <message>
        <source>Erreur de chargement</source>
        <translation>Loading error</translation>
    </message>
    <message>
        <source>Réessayer</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Actualiser</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Aucun ticket</source>
        <translation>No tickets</translation>
    </message>
    <message>
        <source>Il n&apos;y a aucun ticket pour le moment</source>
        <translation>There are no tickets at the moment</translation>
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
    <name>UpdatePrompt</name>
    <message>
        <source>Mises à jour de Norvik Support</source>
        <translation>Norvik Support updates</translation>
    </message>
    <message>
        <source>Norvik Support est à jour.</source>
        <translation>Norvik Support is up to date.</translation>
    </message>
    <message>
        <source>La version %1 est la plus récente.</source>
        <translation>Version %1 is the latest.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Une nouvelle version de Norvik Support est disponible.</source>
        <translation>A new version of Norvik Support is available.</translation>
    </message>
    <message>
        <source>La version %1 est disponible ; vous avez la version %2.</source>
        <translation>Version %1 is available; you have version %2.</translation>
    </message>
    <message>
        <source>&lt;br&gt;&lt;a href=&quot;%1&quot;&gt;Notes de version&lt;/a&gt;</source>
        <translation>&lt;br&gt;&lt;a href=&quot;%1&quot;&gt;Release notes&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Télécharger</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Plus tard</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>La recherche de mises à jour a échoué.</source>
        <translation>The check for updates failed.</translation>
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
    <name>UserCard</name>
    <message>
        <source>Poste %1</source>
        <translation>Workstation %1</translation>
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
