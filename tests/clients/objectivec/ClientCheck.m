// Calls the live service through the generated Objective-C client and prints
// what came back, one "name=value" line each, for the end-to-end test to
// compare with the service's own answers. Usage: ClientCheck host port order
// [user password]: with a login, every call sends it, and one more call
// without it ends the lines ("denied=status:message").
#import <Foundation/Foundation.h>
#import "DSProxy.h"

static void Print(NSString *line) {
  printf("%s\n", [line UTF8String]);
  fflush(stdout);
}

static NSString *BoolText(BOOL value) { return value ? @"true" : @"false"; }

int main(int argc, char **argv) {
  NSAutoreleasePool *pool = [NSAutoreleasePool new];
  if (argc < 4) return 2;
  DSRESTConnection *connection =
      [[DSRESTConnection alloc] initWithHost:[NSString stringWithUTF8String:argv[1]] port:atoi(argv[2])];
  int order = atoi(argv[3]);
  if (argc > 5) {
    [connection setUserName:[NSString stringWithUTF8String:argv[4]]];
    [connection setPassword:[NSString stringWithUTF8String:argv[5]]];
  }
  TServerMethods1 *server = [[TServerMethods1 alloc] initWithConnection:connection];

  Print([@"echo=" stringByAppendingString:[server EchoString:@"ação / 100% ok?"]]);
  NSString *session = [[[connection sessionID] copy] autorelease];
  Print([@"session=" stringByAppendingString:BoolText([session length] > 0)]);

  DSTableReader *table = [server GetAtividade];
  Print([NSString stringWithFormat:@"columns=%lu", (unsigned long)[table columnCount]]);
  for (NSUInteger c = 0; c < [table columnCount]; c++)
    Print([NSString stringWithFormat:@"column=%@:%d", [table columnName:c], [table columnType:c]]);
  Print([NSString stringWithFormat:@"rows=%lu", (unsigned long)[table rowCount]]);
  for (NSUInteger r = 0; r < [table rowCount]; r++)
    Print([NSString stringWithFormat:@"row=%@:%@", [table stringAt:r name:@"IDATIVIDADE"], [table stringAt:r column:1]]);
  Print([@"same_session=" stringByAppendingString:BoolText([session isEqualToString:[connection sessionID]])]);

  NSString *erro = nil;
  BOOL written = [server SetPedido:1 IDPedidoPalm:order IDFormaPagto:1 IDCondicaoPagto:1 IDTabelaPreco:1
                         IDCliente:1 Parcela:1 IDConsignacao:1 IDCidade:1 IDAtividade:1 IDConvenio:1 IDRegiao:1
                         DtEmissao:@"10/12/2026" SitPedido:@"x" NmRazao:@"x" NmFantasia:@"x" Endereco:@"x"
                               Cep:@"x" Bairro:@"x" TipoCliente:@"x" Cnpj:@"x" IE:@"x" Cpf:@"x" Rg:@"x" Fone:@"x"
                           Celular:@"x" Email:@"x" Cliente_Contribuinte:@"x" TotalPedido:2.5 Erro:&erro];
  Print([NSString stringWithFormat:@"write=%@:%@", BoolText(written), erro]);
  erro = @"unchanged";
  written = [server SetPedido:1 IDPedidoPalm:order + 1 IDFormaPagto:1 IDCondicaoPagto:1 IDTabelaPreco:1
                    IDCliente:1 Parcela:1 IDConsignacao:1 IDCidade:1 IDAtividade:1 IDConvenio:1 IDRegiao:1
                    DtEmissao:@"notadate" SitPedido:@"x" NmRazao:@"x" NmFantasia:@"x" Endereco:@"x" Cep:@"x"
                       Bairro:@"x" TipoCliente:@"x" Cnpj:@"x" IE:@"x" Cpf:@"x" Rg:@"x" Fone:@"x" Celular:@"x"
                        Email:@"x" Cliente_Contribuinte:@"x" TotalPedido:2.5 Erro:&erro];
  Print([NSString stringWithFormat:@"refused=%@:%@", BoolText(written), erro]);

  @try {
    [connection execute:@"GET" className:@"TServerMethods1" request:@"EchoString"
                   args:[NSArray arrayWithObjects:@"a", @"b", nil]];
    Print(@"error=none");
  } @catch (DSRESTException *e) {
    Print([NSString stringWithFormat:@"error=%d:%@", [e status], [e reason]]);
  }

  if (argc > 5) {
    DSRESTConnection *anonymous =
        [[DSRESTConnection alloc] initWithHost:[NSString stringWithUTF8String:argv[1]] port:atoi(argv[2])];
    TServerMethods1 *anonymousServer = [[TServerMethods1 alloc] initWithConnection:anonymous];
    @try {
      [anonymousServer EchoString:@"x"];
      Print(@"denied=none");
    } @catch (DSRESTException *e) {
      Print([NSString stringWithFormat:@"denied=%d:%@", [e status], [e reason]]);
    }
    [anonymousServer release];
    [anonymous release];
  }
  [server release];
  [connection release];
  [pool drain];
  return 0;
}
